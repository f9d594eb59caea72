# duruz-cli as a script runs it: the real program as a child process.
if(NOT WIN32)
    duruz_add_bench(cli_bench
        SOURCES cli_bench.cpp)
    add_dependencies(cli_bench duruz-cli)
    target_compile_definitions(cli_bench PRIVATE DURUZ_CLI_PATH="$<TARGET_FILE:duruz-cli>")
endif()
