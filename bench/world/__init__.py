"""bench/make_world's generator of synthetic game folders, in parts a reader can take one at a
time: cli (the command line and what it makes), report (a world and its JSON reports), world
with its parts files, writing and mistakes (the World being made), model, shapes, values,
rules, binary and common; self_test checks them all on small worlds."""
