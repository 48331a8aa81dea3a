# Fails unless PROGRAM is an executable of the subsystem SUBSYSTEM (2, the
# default: GUI; 3: console) whose imports are all DLLs that every Windows
# desktop has. Run with cmake -P. The static libcurl of the SMTP hand-over
# brings sockets, certificates, Schannel and its random numbers, all
# Windows' own; WinHTTP answers where the desktop's proxy is. EXTRA (comma-separated) names more system DLLs a program may
# import: the check program's sign-in opens the browser through the shell.
set(system_dlls KERNEL32.DLL USER32.DLL ADVAPI32.DLL MSVCRT.DLL
  WS2_32.DLL CRYPT32.DLL SECUR32.DLL SSPICLI.DLL BCRYPT.DLL NORMALIZ.DLL WINHTTP.DLL)
if(EXTRA)
  string(REPLACE "," ";" extra "${EXTRA}")
  list(APPEND system_dlls ${extra})
endif()

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM}
  OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${PROGRAM}")
endif()

if(NOT SUBSYSTEM)
  set(SUBSYSTEM 2)
endif()
if(NOT dump MATCHES "Subsystem[ \t]+0+${SUBSYSTEM}[ \t]")
  message(FATAL_ERROR "${PROGRAM} is not of subsystem ${SUBSYSTEM}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOUPPER "${dll}" upper)
  list(FIND system_dlls "${upper}" known)
  if(known EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not a system DLL")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
