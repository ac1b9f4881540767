"""The world, file by file: the universe, its systems and bases, goods and markets, effects, the
files loaded by fixed path, extra files for sections with no place, and the main INI file."""

from .common import CRLF
from .model import Pool
from .shapes import COUNTS, DATA_FILES, EXTRA_KEYS, KINDS, LOCAL_KINDS, ROOM_KINDS
from .values import WORDS


class Files:
    """The builders of each kind of file; part of World."""

    def build(self):
        n, rng = self.n, self.rng
        scenes = Pool(rng, ['SCENES/%s_%s_%02d.ini' % (rng.choice(WORDS).capitalize(),
                                                        rng.choice(ROOM_KINDS), i)
                            for i in range(n(COUNTS['scenes']))])
        panels = Pool(rng, ['UNIVERSE/HEAVENS/%s_Panels_%02d.ini' % (rng.choice(WORDS), i)
                            for i in range(n(COUNTS['panels']))])
        encounters = Pool(rng, ['MISSIONS/ENCOUNTERS/Area_%s_%02d.ini' % (rng.choice(WORDS), i)
                                for i in range(n(COUNTS['encounters']))])
        shapes = Pool(rng, ['FX/SHAPES/%s_Shape_%03d.ini' % (rng.choice(WORDS).capitalize(), i)
                            for i in range(n(COUNTS['shapes']))])
        prices = Pool(rng, ['EQUIPMENT/PRICES/%s_Prices_%02d.ini' % (rng.choice(WORDS), i)
                            for i in range(n(COUNTS['prices']))])

        bases = self.universe(scenes, panels, encounters)
        for key, path, files, plans in DATA_FILES:
            count = 1 if files == 0 else n(files)
            for i in range(count):
                disk_path = path.format('' if count == 1 else '_%02d' % (i + 1))
                self.data_file(key, disk_path, self.sections_of(plans), 'the %s data' % key)
        self.goods(prices)
        self.markets(bases)
        self.effects(shapes)
        self.fixed_path_files()
        self.extras()
        for pool, kind in ((scenes, 'scene'), (panels, 'panels'), (encounters, 'encounter'),
                           (prices, 'prices'), (shapes, 'shape')):
            for path in pool.used:
                self.write_ini(path, self.sections_of(KINDS[kind]), 'a %s file' % kind)
        self.finish()
        self.main_ini()
        self.write_file('other_ini.txt', ''.join(v + '\n' for v in self.other_ini).encode())

    def universe(self, scenes, panels, encounters):
        """universe.ini, the systems with their fields, nebulae and encounters, the bases with
        their rooms. Returns the bases' names (None where the rule set gives none)."""
        n, rng, has = self.n, self.rng, self.by_id.__contains__
        sections = self.sections_of([('Time', 1)])
        base_sections, bases = [], []
        for s in range(1, n(COUNTS['systems']) + 1) if has(74) else ():
            system = 'KV%03d' % s
            folder = 'UNIVERSE/SYSTEMS/%s/' % system
            disk_path = folder + system + '.ini'
            sections.append(self.ref_section(74, disk_path))
            self.open_scope('OBJECT', 'ZONE')
            body = self.sections_of(KINDS['system'])
            for f in range(rng.randint(4, 8)) if has(877) else ():
                field = 'SOLAR/ASTEROIDS/%s_Field_%d.ini' % (system.capitalize(), f + 1)
                body.append(self.ref_section(877, field))
                self.write_ini(field, self.sections_of(KINDS['field']) +
                               [self.ref_section(64, panels)], 'an asteroid field of ' + system)
            for f in range(rng.randint(0, 4)) if has(879) else ():
                nebula = 'SOLAR/NEBULA/%s_Nebula_%d.ini' % (system.lower(), f + 1)
                body.append(self.ref_section(879, nebula))
                self.write_ini(nebula, [self.ref_section(64, panels)] +
                               self.sections_of(KINDS['nebula']), 'a nebula of ' + system)
            body += [self.ref_section(872, encounters) for _ in range(rng.randint(2, 4))]
            self.close_scope('OBJECT', 'ZONE')
            self.write_ini(disk_path, body, 'the star system ' + system)
            for b in range(1, rng.randint(2, 6) + 1) if has(101) else ():
                base = '%s_%02d_Base' % (system, b)
                base_path = folder + 'BASES/' + base + '.ini'
                base_sections.append(self.ref_section(101, base_path))
                bases.append(self.defined_in(base_sections[-1]))
                self.open_scope('ROOM')
                body = self.sections_of(KINDS['base'])
                self.bind(body, 'BaseInfo', 'nickname', bases[-1])
                for kind in rng.sample(ROOM_KINDS, rng.randint(2, 5)) if has(871) else ():
                    room = '%sBASES/ROOMS/%s_%02d_%s.ini' % (folder, system.lower(), b, kind)
                    self.local_text = kind
                    body.append(self.ref_section(871, room))
                    self.local_text = None
                    self.write_ini(room, [self.ref_section(1034, scenes)] +
                                   self.sections_of(KINDS['room']), 'a room of ' + base)
                self.close_scope('ROOM')
                self.write_ini(base_path, body, 'the base ' + base)
        self.data_file('universe', 'UNIVERSE/universe.ini', sections + base_sections,
                       'the universe: star systems and bases')
        return bases

    def open_scope(self, *kinds):
        """Names of these kinds made from now on are local to the group being made."""
        for kind in kinds:
            if kind in LOCAL_KINDS:
                self.scope[kind] = []
                self.scope_texts[kind] = set()

    def close_scope(self, *kinds):
        for kind in kinds:
            self.scope.pop(kind, None)
            self.scope_texts.pop(kind, None)

    def goods(self, prices):
        """The goods files; a quarter of the goods name a market price file. The last file
        defines once more a good of the first, as a real game's goods do about once in 700."""
        rule = self.rules.get('GOOD')
        first = None
        for i in range(self.n(COUNTS['goods_files'])):
            sections = []
            for _ in range(COUNTS['goods_per_file']):
                if self.rng.random() < 0.25 and 1107 in self.by_id:
                    sections.append(self.ref_section(1107, prices))
                elif rule:
                    sections.append(self.section(rule, (1, 4)))
            named = [n for n in map(self.defined_in, sections) if n is not None]
            if first is None and named:
                first = named[0]
            elif first is not None and i == self.n(COUNTS['goods_files']) - 1 and named:
                again = named[len(named) // 2]
                again.text = again.written = first.text
                first.shared = again.shared = True
                self.duplicates.append(first.text)
            self.data_file('goods', 'EQUIPMENT/Goods_%02d.ini' % (i + 1), sections,
                           'goods, part %d' % (i + 1))

    def markets(self, bases):
        """One [BaseGood] per base, the bases spread over the market files."""
        rule = self.rules.get('BASEGOOD')
        files = self.n(COUNTS['market_files'])
        for i in range(files):
            sections = []
            for base in bases[i::files] if rule else ():
                sections.append(self.section(rule, (45, 90)))
                self.bind(sections[-1:], 'BaseGood', 'base', base)
            self.data_file('markets', 'EQUIPMENT/Market_%02d.ini' % (i + 1), sections,
                           'what the bases sell, part %d' % (i + 1))

    def effects(self, shapes):
        """effects.ini (some effects name a shape file), and the fuses with the effect files
        they name."""
        rng, effect = self.rng, self.by_id.get(1055)
        sections = self.sections_of([('EffectType', 'n:%d' % COUNTS['effect_types'])])
        for _ in range(self.n(COUNTS['effects'])) if effect else ():
            if rng.random() < 0.3:
                sections.append(self.ref_section(1055, shapes))
            else:
                sections.append(self.section(effect))
        self.data_file('effects', 'FX/effects.ini', sections, 'visual effects')
        number = 0
        for f in range(self.n(COUNTS['fuse_files'])) if 1040 in self.by_id else ():
            sections = []
            for _ in range(COUNTS['fuses_per_file']):
                number += 1
                effect_path = 'FX/FUSE/Fuse_Effect_%03d.ini' % number
                sections.append(self.ref_section(1040, effect_path))
                sections += self.sections_of([('FuseStage', (1, 4))])
                self.write_ini(effect_path, [self.ref_section(1055, shapes)
                                             for _ in range(rng.randint(1, 4))],
                               'what fuse %d plays' % number)
            self.data_file('fuses', 'FX/Fuses_%02d.ini' % (f + 1), sections, 'fuses')

    def fixed_path_files(self):
        """Missions and their NPC ships, the factions and their reputations, the flight
        display: files nothing names, listed for _bc_OtherINI."""
        n, rng = self.n, self.rng
        for m in range(1, n(COUNTS['missions']) + 1):
            folder = 'MISSIONS/M%02d/' % m
            mission = folder + 'm%02d.ini' % m
            npc = folder + 'NpcShips.ini'
            self.other_ini.append(self.name_of(mission))
            self.write_ini(mission, [self.ref_section(824, npc)] +
                           self.sections_of(KINDS['mission']), 'mission %d' % m)
            if 824 in self.by_id:
                self.write_ini(npc, self.sections_of(KINDS['npc']),
                               'the ships of mission %d' % m)
        factions = ['kv_%s_%02d' % (rng.choice(WORDS), i) for i in range(n(COUNTS['factions']))]
        sections = []
        reputation = self.rules.get('REPUTATION')
        for faction in factions if 1169 in self.by_id else ():
            rep_path = 'FACTIONS/REP/%s_Rep.ini' % faction.capitalize()
            sections.append(self.ref_section(1169, rep_path))
            self.write_ini(rep_path, [self.section(reputation) for _ in factions]
                           if reputation else [], 'how %s sees the others' % faction)
        self.other_ini.append(self.name_of('FACTIONS/Factions.ini'))
        self.write_ini('FACTIONS/Factions.ini', sections, 'the factions')
        self.other_ini.append(self.name_of('INTERFACE/Hud.ini'))
        self.write_ini('INTERFACE/Hud.ini', self.sections_of(KINDS['hud']), 'the flight display')

    def extras(self):
        """Sections of the rule set that no kind of file above holds: each in a file of its
        own under the [Data] key of its rule file."""
        by_stem = {}
        for rule in self.rule_list:
            if rule.name.upper() not in self.placed:
                by_stem.setdefault(rule.stem, []).append(rule)
        for stem in sorted(by_stem):
            sections = []
            for rule in by_stem[stem]:
                sections += [self.section(rule, (1, 6)) for _ in range(self.n(30))]
            self.data_file(EXTRA_KEYS.get(stem, 'equipment'), 'MISC/%s_More.ini' %
                           stem.capitalize(), sections, 'more of %s' % stem)

    def main_ini(self):
        lines = ['; Kestrovar - main configuration.', '; Every [Data] path is relative to '
                 'the DATA folder.', '', '[Resources]']
        lines += ['DLL = %s' % dll for dll in ('kvresources.dll', 'kvinfocards.dll',
                                                'kvequiptext.dll')]
        entries = self.data_entries + [('bases', ''),
                                       ('interface', self.name_of('INTERFACE/Hud.ini'))]
        for start in range(0, len(entries), 1000):  # a section takes at most 2048 lines
            lines += ['', '[Data]']
            lines += ['%s = %s' % (k, v) if v else k + ' =' for k, v in entries[start:start + 1000]]
        lines += ['', '[Startup]', 'movie_file = movies\\kv_intro.bik', 'skip_intro = false', '']
        self.write_file('EXE/kestrovar.ini', CRLF.join(lines).encode('cp1252'))
