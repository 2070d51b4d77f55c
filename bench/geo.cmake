# Geolocation lookups as the diagram makes them: Country, City, State and CountryIndex of 1,000
# hosts per iteration, on a database written by the benchmark and on the built geodata/.
ov_add_benchmark(bench_geo ${CMAKE_CURRENT_LIST_DIR}/bench_geo.cpp ovgeo)
