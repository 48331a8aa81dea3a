# Makes the build's Wine prefix: run with cmake -P, with WINE (the loader) and
# the prefix in the environment. The prefix gets Wine's null graphics driver,
# so that a message box blocks as on a desktop and a test can read and close
# it; the server is then stopped, so that the next start takes the setting.
execute_process(
  COMMAND ${WINE} reg add "HKCU\\Software\\Wine\\Drivers" /v Graphics /d null /f
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not make the Wine prefix")
endif()
execute_process(COMMAND /usr/lib/wine/wineserver -k)
execute_process(COMMAND /usr/lib/wine/wineserver -w)
