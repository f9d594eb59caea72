duruz_add_bench(capture_decode_bench
    SOURCES capture_decode_bench.cpp
    LIBS duruz_link)
