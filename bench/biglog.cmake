# A big log end to end: ovservice to the real window, the raw view, the table, the diagram and
# typing, with each case's time and peak memory.
ov_add_benchmark(bench_biglog ${CMAKE_CURRENT_LIST_DIR}/bench_biglog.cpp ovwindow)
add_dependencies(bench_biglog ovservice)
# Following a growing log of a million lines, with and without the protocol's extension.
ov_add_benchmark(bench_tail ${CMAKE_CURRENT_LIST_DIR}/bench_tail.cpp ovwindow)
add_dependencies(bench_tail ovservice)
