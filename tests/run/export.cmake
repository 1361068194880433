tessaly_test(NAME test_export_sources SOURCES ExportSourcesTest.cpp LIBS tessaly_run)
tessaly_test(NAME test_mp3_export SOURCES Mp3ExportTest.cpp LIBS tessaly_run tessaly_program)
