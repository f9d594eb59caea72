if(DURUZ_BUILD_GUI AND NOT WIN32)
    duruz_add_bench(window_latency_bench
        SOURCES window_latency_bench.cpp
        LIBS duruz_form)
    target_include_directories(window_latency_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
