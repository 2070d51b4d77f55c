# The diagram's redraw (the call repeated every 10 ms while the operator drags it).
ov_add_benchmark(bench_diagram ${CMAKE_CURRENT_SOURCE_DIR}/bench_diagram.cpp ovviews Qt6::Widgets)
