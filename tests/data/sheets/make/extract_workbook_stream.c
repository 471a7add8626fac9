/* Copies the Workbook stream out of an xls, as a seed for fuzz_xls (which wraps its input in a fresh OLE2 file).
 * cc make/extract_workbook_stream.c $(pkg-config --cflags --libs libgsf-1) -o /tmp/extract_workbook_stream
 * /tmp/extract_workbook_stream formulas.xls ../../sheets/corpus/fuzz_xls/seed-formulas */
#include <gsf/gsf.h>
#include <stdio.h>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    gsf_init();
    GsfInput* file = gsf_input_stdio_new(argv[1], NULL);
    GsfInfile* ole = file ? gsf_infile_msole_new(file, NULL) : NULL;
    GsfInput* stream = ole ? gsf_infile_child_by_name(ole, "Workbook") : NULL;
    if (!stream)
        return 1;
    FILE* out = fopen(argv[2], "wb");
    gsf_off_t size = gsf_input_size(stream);
    const guint8* data = gsf_input_read(stream, (size_t)size, NULL);
    fwrite(data, 1, (size_t)size, out);
    fclose(out);
    return 0;
}
