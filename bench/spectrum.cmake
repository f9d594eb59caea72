# One channel's spectrum against FFTW's single-precision real transform of the
# same windowed samples. FFTW is the yardstick only; skipped where it is missing.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(FFTW3F QUIET IMPORTED_TARGET fftw3f)
endif()
if(TARGET PkgConfig::FFTW3F)
    duruz_add_bench(spectrum_bench
        SOURCES spectrum_bench.cpp
        LIBS duruz_view PkgConfig::FFTW3F)
else()
    message(STATUS "fftw3f not found: spectrum_bench is not built")
endif()
