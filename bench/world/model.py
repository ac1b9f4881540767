"""The parts of a world being made: pools of files, names and their uses, the value positions that
use names, and sections laid out but not yet written."""


class Pool:
    """Files that several others may name. Each is written only if something names it; the
    first picks go to files not yet named, so that every file is reached while the pool
    lasts."""

    def __init__(self, rng, paths):
        self.rng = rng
        self.paths = paths
        self.used = []
        self.next = 0

    def pick(self):
        if self.next < len(self.paths):
            path = self.paths[self.next]
            self.next += 1
            self.used.append(path)
            return path
        return self.paths[int(self.rng.random() * len(self.paths))]


class Name:
    """A name that a section defines, unique in the world. `written` is what its defining
    place holds: the name itself, or the new name --rename-defined gives it."""
    __slots__ = ('text', 'written', 'site', 'position', 'shared')

    def __init__(self, text):
        self.text = text
        self.written = text
        self.shared = False  # defined twice on purpose: renaming one leaves the other
        self.site = None    # (file, binary, line, warning line, section, key) of its line
                            # once written, or True where --rename-defined does not ask
        self.position = 0   # its place among the line's values, from 1

    def render(self):
        return self.written


class Use:
    """A value that names one of the names the sections of its slot's targets define: which
    one is drawn when every name is known. A copy (a line written twice) names the same."""
    __slots__ = ('slot', 'name', 'fallback', 'copy_of', 'site', 'position', 'stored', 'pool')

    def __init__(self, slot, copy_of=None, pool=None):
        self.slot = slot
        self.name = None
        self.pool = pool            # the names of its group, for a use of a local kind
        self.fallback = None        # written when the world defines no name it could take
        self.copy_of = copy_of
        self.site = None            # as for Name, once written (True where not kept)
        self.position = 0
        self.stored = True          # TARN stores the line it is on

    def target(self):
        return self.name if self.copy_of is None else self.copy_of.name

    def render(self):
        name = self.target()
        return name.text if name is not None else (self.copy_of or self).fallback


class Slot:
    """One row of REFERENCES as the rule set has it: the referring position and the sections
    whose names it takes."""

    def __init__(self, section, key, position, targets):
        self.section, self.key, self.position, self.targets = section, key, position, targets
        self.uses = 0


class Section:
    """A section as made: its name, its lines (key, values, flag, mistake or None) and the
    mistake of the whole section. The lines hold what is correct; a mistake holds what is
    written instead where mistakes are written."""
    __slots__ = ('name', 'entries', 'mistake')

    def __init__(self, name, entries):
        self.name, self.entries, self.mistake = name, entries, None
