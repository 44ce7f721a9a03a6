# What the programs load on Windows, installed beside them: Qt's DLLs, the Qt plugins the
# program uses, and the runtime of the MinGW-w64 compiler that built them. Windows looks for a
# program's DLLs in its own folder first, and Qt looks for its plugins in folders named after
# their kind there (platforms, styles, ...), so nothing else needs to be set up.

foreach(module Core Gui Widgets Sql)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION ${TARNWELL_INSTALL_BINDIR})
endforeach()

# Plugin target and the folder Qt looks in: the window system, the native look, the ODBC
# driver, and the ICO reader for the windows' icon (see src/app).
set(tarnwell_qt_plugins
    QWindowsIntegrationPlugin platforms
    QWindowsVistaStylePlugin styles
    QODBCDriverPlugin sqldrivers
    QICOPlugin imageformats)
while(tarnwell_qt_plugins)
    list(POP_FRONT tarnwell_qt_plugins plugin folder)
    if(NOT TARGET Qt6::${plugin})
        message(FATAL_ERROR "The Qt for Windows in use has no ${plugin}; "
            "build it with scripts/windows-qt.sh")
    endif()
    install(FILES $<TARGET_FILE:Qt6::${plugin}> DESTINATION ${TARNWELL_INSTALL_BINDIR}/${folder})
endwhile()

# The compiler's own runtime: C++ standard library, exceptions, threads (the POSIX thread
# model's winpthreads). Debian ships them with their symbols, which would make up half the
# installer; copies without them are installed.
set(runtime_dir ${CMAKE_BINARY_DIR}/mingw-runtime)
set(runtime_dlls)
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(
        COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path
        OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    file(REAL_PATH "${path}" path)
    add_custom_command(
        OUTPUT ${runtime_dir}/${dll}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${runtime_dir}
        COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${runtime_dir}/${dll} ${path}
        DEPENDS ${path}
        VERBATIM)
    list(APPEND runtime_dlls ${runtime_dir}/${dll})
endforeach()
add_custom_target(tarnwell_mingw_runtime ALL DEPENDS ${runtime_dlls})
install(FILES ${runtime_dlls} DESTINATION ${TARNWELL_INSTALL_BINDIR})
