# What the window does with a received log: the table filled from the raw text (FillLV) and the
# raw view given the text, for 100,000 and 1,000,000 lines of the real corpus repeated.
ov_add_benchmark(bench_window ${CMAKE_CURRENT_LIST_DIR}/bench_window.cpp ovviews ovwidgets)
