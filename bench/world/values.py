"""Values for a position, drawn from its type and its name (a colour, a price, a model path...)."""

from .common import BOOLEAN, DOUBLE, LONG, STRING


WORDS = ('vesk orrin kal tor mira dust ice ember hale quor sable lumen draz pike fen corvo '
         'astra belt nadir zeph ruin glass cinder halo rift vane tarsk brim coil dray flint '
         'gorse hollow isle jarl keel lattice mire nox opal prow quill reach shoal tern umbra '
         'vigil wake yarrow zenith').split()
CONSTANTS = ('DIRECTIONAL DYNAMIC_DIRECTION NOTHING SPHERE ELLIPSOID BOX CYLINDER RING '
             'HpMount HpTurret01 HpEngine01 HpDockMount01 default medium heavy light ENTER '
             'ACTIVE INACTIVE STATION PLANET JUMP_GATE TRADELANE_RING MISSION_SATELLITE').split()
MODEL_FOLDERS = ['solar\\models', 'ships\\models', 'fx\\textures', 'equipment\\models',
                 'audio\\sfx', 'interface\\art', 'universe\\heavens', 'scenes\\props']
EXTENSIONS = ['cmp', '3db', 'mat', 'txm', 'dds', 'thn', 'wav', 'ale', 'sph']


def double_value(x):
    """A decimal near x that a 32-bit float holds exactly and whose shortest text is the
    one written here: sixteenths below 1024, quarters above, magnitude below 100,000 (so the
    fixed form is the shortest). Whole numbers are written and stored as integers."""
    q = 16 if -1024 < x < 1024 else 4
    k = int(x * q)
    if k % q == 0:
        return (LONG, str(k // q))
    return (DOUBLE, repr(k / q))


class ValueMaker:
    """Makes values, as (binary type, text), for a value position from its type and name."""

    def __init__(self, rng):
        self.rng = rng
        self.cache = {}
        self.by_entry = {}

    def makers(self, entry):
        made = self.by_entry.get(entry)
        if made is None:
            made = self.by_entry[entry] = ([self.maker(t, h) for t, h in entry.fixed],
                                           self.maker(*entry.tail) if entry.tail else None)
        return made

    def maker(self, kind, hint):
        key = (kind, hint)
        if key not in self.cache:
            self.cache[key] = {LONG: self._long, DOUBLE: self._double, STRING: self._string,
                               BOOLEAN: self._boolean}[kind](hint)
        return self.cache[key]

    def _long(self, hint):
        rnd = self.rng.random
        if hint in ('r', 'g', 'b', 'alpha') or hint.endswith('color'):
            lo, hi = 0, 255
        elif hint.startswith('ids') or hint.startswith('strid'):
            lo, hi = 200000, 299999
        elif hint in ('credits', 'price', 'reward', 'capacity', 'mass'):
            lo, hi = 10, 900000
        elif hint in ('level', 'count', 'min', 'max', 'priority', 'sort', 'visit'):
            lo, hi = 0, 99
        elif hint in ('decibels', 'attenuation'):
            lo, hi = -40, 0
        else:
            spans = ((0, 100), (0, 20000), (-60000, 60000))

            def varied():
                lo, hi = spans[int(rnd() * 3)]
                return (LONG, str(lo + int(rnd() * (hi - lo + 1))))
            return varied
        width = hi - lo + 1
        return lambda: (LONG, str(lo + int(rnd() * width)))

    def _double(self, hint):
        rnd = self.rng.random
        if hint in ('x', 'y', 'z', 'pos', 'position', 'distance', 'height'):
            lo, hi = -99000.0, 99000.0
        elif hint in ('pitch', 'yaw', 'roll', 'rotate', 'degrees', 'rx', 'ry', 'rz'):
            lo, hi = -180.0, 180.0
        elif hint in ('r', 'g', 'b', 'a', 'u', 'v', 'factor', 'standing', 'rep', 'scale'):
            lo, hi = -1.0 if hint in ('standing', 'rep') else 0.0, 1.0
        elif hint in ('seconds', 'delay', 'min', 'max'):
            lo, hi = 0.0, 120.0
        else:
            lo, hi = 0.0, 2000.0
        width = hi - lo
        return lambda: double_value(lo + rnd() * width)

    def _string(self, hint):
        rng = self.rng
        rnd = rng.random
        words, n_words = WORDS, len(WORDS)

        def word():
            return words[int(rnd() * n_words)]
        if hint == 'path' or hint.endswith('file') or hint in ('model', 'texture_name'):
            folders, extensions = MODEL_FOLDERS, EXTENSIONS
            return lambda: (STRING, '%s\\%s_%s_%02d.%s' % (
                folders[int(rnd() * len(folders))], word(), word(), int(rnd() * 100),
                extensions[int(rnd() * len(extensions))]))
        if hint.startswith('ids'):
            return lambda: (STRING, str(200000 + int(rnd() * 100000)))
        if hint in ('type', 'shape', 'behavior', 'hardpoint', 'mount', 'state', 'initstate',
                    'atten_curve', 'death_method', 'hp_type'):
            return lambda: (STRING, CONSTANTS[int(rnd() * len(CONSTANTS))])
        return lambda: (STRING, 'kv_%s_%s_%02d' % (word(), word(), int(rnd() * 100)))

    def _boolean(self, hint):
        rnd = self.rng.random
        return lambda: (STRING, 'true' if rnd() < 0.5 else 'false')
