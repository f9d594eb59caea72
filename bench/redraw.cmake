# A full time-mode redraw onto the window's image against the same picture drawn
# with QPainter, each curve as one polyline.
if(DURUZ_BUILD_GUI)
    duruz_add_bench(redraw_bench
        SOURCES redraw_bench.cpp
        LIBS duruz_view duruz_toolkit Qt6::Gui)
endif()
