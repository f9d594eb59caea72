# The Windows resources of a program: its icon, its version (the project's), and its
# application manifest (the common controls of version 6, per-monitor DPI awareness,
# no elevation). Sources in packaging/windows/.
enable_language(RC)

function(duruz_add_windows_resources target description)
    set(DURUZ_RC_TARGET ${target})
    set(DURUZ_RC_FILE_NAME ${target}.exe)
    set(DURUZ_RC_DESCRIPTION "${description}")
    set(DURUZ_RC_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/duruz.ico)
    # Version resources take four numbers: 1.36 is 1,36,0,0.
    set(numbers ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH}
                ${PROJECT_VERSION_TWEAK})
    list(LENGTH numbers count)
    while(count LESS 4)
        list(APPEND numbers 0)
        math(EXPR count "${count} + 1")
    endwhile()
    list(JOIN numbers "," DURUZ_RC_VERSION_COMMAS)
    list(JOIN numbers "." DURUZ_RC_VERSION_DOTS)
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/windows)
    set(DURUZ_RC_MANIFEST ${generated}/${target}.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest.in
                   ${DURUZ_RC_MANIFEST} @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in
                   ${generated}/${target}.rc @ONLY)
    target_sources(${target} PRIVATE ${generated}/${target}.rc)
    # The resource compiler reads these files itself: a change rebuilds the resources.
    set_source_files_properties(${generated}/${target}.rc PROPERTIES OBJECT_DEPENDS
        "${DURUZ_RC_ICON};${DURUZ_RC_MANIFEST}")
endfunction()
