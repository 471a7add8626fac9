# The spreadsheet import: the walk and the upload on their own, and the screen's "Import" and "Upload.." buttons.
tombolika_qtest(importRowsTest SOURCES importRowsTest.cpp LIBS test_support)
tombolika_qtest(importScreenTest SOURCES importScreenTest.cpp LIBS test_support PkgConfig::LIBZIP)
