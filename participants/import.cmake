# The spreadsheet import: the walk over a workbook's rows, the all-or-nothing upload, the progress shown meanwhile.
target_sources(screens PRIVATE
    ImportProgress.cpp
    ParticipantRows.cpp
    ParticipantUpload.cpp
    uPesertaImport.cpp
)
