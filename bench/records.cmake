# The log line decoder over the real corpus repeated to a million lines, as the table and the
# diagram decode a received log.
ov_add_benchmark(bench_records ${CMAKE_CURRENT_LIST_DIR}/bench_records.cpp ovrecords ovcore)
