# Log transfer from ovservice to the console's link over loopback, and the final join/replace.
ov_add_benchmark(bench_service ${CMAKE_CURRENT_SOURCE_DIR}/bench_service.cpp ovlink Qt6::Network)
add_dependencies(bench_service ovservice)
