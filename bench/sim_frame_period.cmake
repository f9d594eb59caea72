duruz_add_bench(sim_frame_period_bench
    SOURCES sim_frame_period_bench.cpp
    LIBS duruz_sim duruz_link)
