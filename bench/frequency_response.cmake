# The frequency response sweep: accuracy in-process on the unpaced simulator, speed
# through duruz-cli on the paced one.
if(NOT WIN32)
    duruz_add_bench(frequency_response_bench
        SOURCES frequency_response_bench.cpp
        LIBS duruz_analysis duruz_sim)
    add_dependencies(frequency_response_bench duruz-cli)
    target_compile_definitions(frequency_response_bench
        PRIVATE DURUZ_CLI_PATH="$<TARGET_FILE:duruz-cli>")
    # The plot of measured curves against the exact ones in the README and BENCHMARKS.md.
    add_executable(frequency_response_plot frequency_response_plot.cpp)
    target_link_libraries(frequency_response_plot PRIVATE duruz_analysis duruz_sim)
    target_include_directories(frequency_response_plot PRIVATE ${PROJECT_SOURCE_DIR}/src)
endif()
