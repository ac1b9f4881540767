# Sources of the section, entry and value model, added to the core library.
target_sources(tarncore PRIVATE
)
