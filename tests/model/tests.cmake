# Tests of the section, entry and value model, added to the core test binary.
target_sources(tarn_tests PRIVATE
)
