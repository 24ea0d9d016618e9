@echo off
rem The whole Windows test run in one Wine launch, since every launch costs
rem minutes under emulation: the test program against the plug-ins, then
rem semhost on a deliverable, then semhost validate over the nine deliverables
rem (in-process: Windows has no fork).
rem   win32_tests.bat SEM_TESTS_EXE SEMHOST_EXE DIST_DIR PLUGIN_DIR
rem Exit code: 1 when any part failed, else 0.
setlocal
set "tests=%~1"
set "semhost=%~2"
set "dist=%~3"
set "plugins=%~4"
"%tests%" "--plugin-dir=%dist%" "--plugin-dir=%plugins%"
if errorlevel 1 exit /b 1
echo.
echo === semhost.exe on the Windows deliverables
"%semhost%" info "%dist%\ostrel_binary_v_8.sem"
if errorlevel 1 exit /b 1
"%semhost%" table "%dist%\ostrel_binary_i.sem" --a 5 --b 3
if errorlevel 1 exit /b 1
"%semhost%" eval "%dist%\ostrel_binary_v.sem" --formula 4 --a 0.5 --b 0.25
if errorlevel 1 exit /b 1
echo.
echo === semhost.exe validate over the nine deliverables
"%semhost%" validate --in-process "%dist%\ostrel_binary_b.sem" "%dist%\ostrel_binary_f.sem" "%dist%\ostrel_binary_i.sem" "%dist%\ostrel_binary_v.sem" "%dist%\ostrel_binary_v_8.sem" "%dist%\ostrel_binary_v_dn.sem" "%dist%\ostrel_binary_gb.sem" "%dist%\ostrel_binary_gf.sem" "%dist%\ostrel_binary_gi.sem"
if errorlevel 1 exit /b 1
exit /b 0
