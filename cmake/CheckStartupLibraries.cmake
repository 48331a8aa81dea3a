# Fails when PROGRAM (an ELF executable) needs libcurl or a TLS library to
# start: those are for the network transport alone (the SMTP hand-over),
# which loads them with libJ6MailerNet.so when it runs. Run with cmake -P.
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "NEEDED[ \t]+[^\r\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "no needed libraries found in ${PROGRAM}")
endif()
foreach(line IN LISTS lines)
  if(line MATCHES "curl|ssl|crypto|gnutls")
    message(FATAL_ERROR "${PROGRAM} loads at start what only the network transport needs: ${line}")
  endif()
  message(STATUS "${line}")
endforeach()
