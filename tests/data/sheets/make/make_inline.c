/* An xlsx with inline strings, as libxlsxwriter writes in constant-memory mode.
 * cc make/make_inline.c -lxlsxwriter -o /tmp/make_inline && /tmp/make_inline  (from tests/data/sheets) */
#include <xlsxwriter.h>

int main(void) {
    lxw_workbook_options options = {.constant_memory = LXW_TRUE, .tmpdir = NULL};
    lxw_workbook* wb = workbook_new_opt("inline.xlsx", &options);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Peserta");
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "d mmm yyyy");
    const char* head[] = {"ID", "no_undian", "nama", "hp"};
    for (int c = 0; c < 4; ++c)
        worksheet_write_string(ws, 0, c, head[c], NULL);
    worksheet_write_number(ws, 1, 0, 1, NULL);
    worksheet_write_string(ws, 1, 1, "0001", NULL);
    worksheet_write_string(ws, 1, 2, "Rini  Wulandari\tx", NULL);
    worksheet_write_string(ws, 1, 3, "0812", NULL);
    worksheet_write_number(ws, 2, 0, 2, NULL);
    worksheet_write_number(ws, 2, 1, 45306, date);
    worksheet_write_string(ws, 2, 2, "Yusuf <Ö>", NULL);
    worksheet_write_boolean(ws, 2, 3, 1, NULL);
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
