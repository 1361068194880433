# Compiles STAGE/NAME.hhp with CHMCMD into WORK/NAME.CHM and copies it to DESTINATION.
#
# The compile runs on a private copy of STAGE in WORK: chmcmd locks every file it reads, so two
# compiles of the same pages at once (a parallel build) would fail each other. chmcmd reports
# broken links and missing files only as warnings and still ends with success, so any warning
# or error it prints fails the build here.
foreach(var CHMCMD STAGE WORK NAME DESTINATION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CompileChm.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(COPY ${STAGE}/ DESTINATION ${WORK})
execute_process(
  COMMAND ${CHMCMD} --html-scan ${NAME}.hhp
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out
  ERROR_VARIABLE out
  RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR out MATCHES "(Warning|Error|Exception)" OR NOT EXISTS ${WORK}/${NAME}.CHM)
  file(REMOVE ${WORK}/${NAME}.CHM)
  message(FATAL_ERROR "chmcmd could not compile ${NAME}.hhp cleanly:\n${out}")
endif()
file(COPY_FILE ${WORK}/${NAME}.CHM ${DESTINATION}/${NAME}.CHM)
