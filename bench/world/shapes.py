"""What the world holds: the kinds of file and the sections in each, the [Data] files, how many
files of each kind at scale 1, and which positions name which objects."""

# The entry rules whose values name further files, in the order in which "All" follows them.
# 74 names its files relative to DATA\UNIVERSE, the others relative to DATA.
REFERENCE_IDS = [74, 101, 871, 877, 879, 64, 824, 1034, 1040, 1055, 1107, 1169, 872]

# The keys of [Data] whose files TARN reads.
DATA_KEYS = ['solar', 'universe', 'constants', 'fonts', 'sounds', 'voices', 'explosions',
             'debris', 'asteroids', 'equipment', 'ships', 'goods', 'loadouts', 'costumes',
             'PetalDB', 'effects', 'effect_shapes', 'fuses', 'groups', 'stars', 'markets',
             'WeaponModDB']


BINARY_SHARE = 0.03
MAX_SECTION_LINES = 400  # the reader takes 2048; real sections stay at a few hundred


# What each kind of file holds: (section, sections per file, lines per multiline key).
# Counts are drawn per file from their range. Sections the rule set lacks are left out.
ML = (1, 3)
KINDS = {
    'system': [('SystemInfo', 1), ('Music', 1), ('Ambient', 1), ('Background', 1),
               ('LightSource', (1, 3)), ('Object', (220, 340)), ('Zone', (140, 240), (3, 8))],
    'base': [('BaseInfo', 1)],
    'room': [('Room_Sound', 1), ('Camera', (1, 2)), ('Hotspot', (4, 14))],
    'scene': [('Scene', 1), ('SceneLight', (2, 6)), ('SceneObject', (30, 80))],
    'field': [('Field', 1), ('Cube', (2, 4), (250, 390)), ('Band', (0, 1)),
              ('Exterior', (0, 1))],
    'nebula': [('Fog', 1), ('Exterior', 1, (2, 6)), ('Clouds', (1, 3), (2, 8))],
    'panels': [('Textures', 1, (4, 16)), ('Shape', (40, 90))],
    'encounter': [('Encounter', (1, 2), (3, 12)), ('Formation', (6, 14), (20, 60))],
    'shape': [('Emitter', (1, 3)), ('Appearance', (1, 3))],
    'prices': [('PriceTable', (6, 12), (120, 300))],
    'mission': [('MsnShip', (20, 50), (1, 4)), ('Trigger', (100, 200), (1, 4))],
    'npc': [('NPCShipArch', (140, 240))],
    'hud': [('HudElement', 'n:80')],
}

# The [Data] files: key, path under DATA ({} is the file's number), files at scale 1, and
# what one file holds. 'n:K' is K sections at scale 1, in proportion to the scale.
DATA_FILES = [
    ('solar', 'SOLAR/SolarArch{}.ini', 2, [('Solar', 120, (1, 4))]),
    ('constants', 'constants.ini', 0, [('PhysicsConsts', 1), ('EngineEquipConsts', 1),
                                       ('ShieldEquipConsts', 1), ('CameraConsts', 1)]),
    ('fonts', 'FONTS/fonts.ini', 0, [('TrueType', 'n:12'), ('Style', 'n:60')]),
    ('sounds', 'AUDIO/Sounds{}.ini', 5, [('Sound', 820)]),
    ('voices', 'AUDIO/Voices_Pilot{}.ini', 6, [('Voice', 40, (40, 160))]),
    ('explosions', 'FX/explosions.ini', 0, [('Explosion', 'n:300')]),
    ('debris', 'FX/Debris.ini', 0, [('Debris', 'n:200')]),
    ('asteroids', 'SOLAR/AsteroidArch.ini', 0, [('Asteroid', 'n:250')]),
    ('equipment', 'EQUIPMENT/Weapon_Equip{}.ini', 10,
     [('Gun', 40), ('Munition', 40), ('Engine', 20), ('Power', 20),
      ('ShieldGenerator', 20, (1, 4))]),
    ('ships', 'SHIPS/ShipArch{}.ini', 3, [('Ship', 70, (2, 8))]),
    ('loadouts', 'SHIPS/Loadouts{}.ini', 4, [('Loadout', 160, (4, 24))]),
    ('costumes', 'CHARACTERS/costumes.ini', 0, [('Costume', 'n:200', (1, 4))]),
    ('PetalDB', 'PetalDB.ini', 0, [('ObjectTable', 'n:20', (60, 140))]),
    ('effect_shapes', 'FX/effect_shapes.ini', 0, [('Texture', 'n:400')]),
    ('groups', 'CHARACTERS/Groups.ini', 0, [('Group', 'n:60', (20, 60))]),
    ('stars', 'SOLAR/StarArch.ini', 0, [('Star', 'n:60'), ('Glow', 'n:60'),
                                        ('Spines', 'n:40', (10, 40))]),
    ('WeaponModDB', 'EQUIPMENT/WeaponModDB.ini', 0, [('WeaponType', 'n:60', (8, 24))]),
]

# How many of each kind of file at scale 1.
COUNTS = {
    'systems': 50, 'scenes': 50, 'panels': 30, 'encounters': 60, 'shapes': 70,
    'prices': 60, 'goods_files': 4, 'goods_per_file': 175, 'fuse_files': 2,
    'fuses_per_file': 60, 'effects': 150, 'effect_types': 80, 'market_files': 5,
    'missions': 30, 'factions': 30,
}

# The section kinds whose names are local to a group of files: a base's rooms (the base's
# file and the room files it names), a star system's objects and zones (its file).
LOCAL_KINDS = {'ROOM', 'OBJECT', 'ZONE'}
# Of a kind with two identity keys, the share of sections that carry the first.
RARE_IDENTITY = 455   # one section in this many

# Sections the builders below take by name.
NAMED_IN_CODE = {'TIME', 'GOOD', 'BASEGOOD', 'EFFECTTYPE', 'FUSESTAGE', 'REPUTATION'}

# Where the sections this script has no place for go: the [Data] key of their rule file.
EXTRA_KEYS = {'audio': 'sounds', 'bases': 'PetalDB', 'characters': 'costumes',
              'constants': 'constants', 'effects': 'effects', 'equipment': 'equipment',
              'factions': 'groups', 'fields': 'asteroids', 'goods': 'goods',
              'interface': 'fonts', 'missions': 'equipment', 'ships': 'ships',
              'solar': 'solar', 'systems': 'solar', 'universe': 'universe'}

ROOM_KINDS = ['Bar', 'Deck', 'Trader', 'Equip', 'Shipdealer', 'Cityscape']


# Which names a value uses: (referring section, key, position: 1 for the first value, '*'
# for every value of the variable tail) and the sections whose names it takes, each at its
# position called `nickname`. Every such position not listed here defines a name. Rows whose
# section, key or String position the rule set lacks are left out; so are missing targets.
# A base file's [BaseInfo] and a market's [BaseGood] name their own base.
EQUIPMENT = ('Gun', 'Munition', 'Engine', 'Power', 'ShieldGenerator')
REFERENCES = [
    # universe, systems and bases
    ('Base', 'system', 1, ('system',)),
    ('Base', 'owner', 1, ('Faction',)),
    ('BaseInfo', 'nickname', 1, ('Base',)),
    ('BaseInfo', 'start_room', 1, ('Room',)),
    ('Hotspot', 'room_switch', 1, ('Room',)),
    ('Room_Sound', 'music', 1, ('Sound',)),
    ('Room_Sound', 'ambience', 1, ('Sound',)),
    ('SystemInfo', 'local_faction', 1, ('Faction',)),
    ('Music', 'space', 1, ('Sound',)),
    ('Music', 'danger', 1, ('Sound',)),
    ('Music', 'battle', 1, ('Sound',)),
    ('Object', 'archetype', 1, ('Solar',)),
    ('Object', 'star', 1, ('Star',)),
    ('Object', 'base', 1, ('Base',)),
    ('Object', 'dock_with', 1, ('Base',)),
    ('Object', 'reputation', 1, ('Faction',)),
    ('Object', 'goto', 1, ('system',)),
    ('Object', 'goto', 2, ('Object',)),
    ('Object', 'loadout', 1, ('Loadout',)),
    ('Zone', 'encounter', 1, ('EncounterParameters',)),
    ('Zone', 'faction', 1, ('Faction',)),
    ('Asteroids', 'zone', 1, ('Zone',)),
    ('Nebula', 'zone', 1, ('Zone',)),
    # fields, nebulae and their panels
    ('Cube', 'asteroid', 1, ('Asteroid',)),
    ('Band', 'shape', 1, ('Shape',)),
    ('Exterior', 'shape', 1, ('Shape',)),
    ('Exterior', 'fill_shape', 1, ('Shape',)),
    ('Clouds', 'puff_shape', 1, ('Shape',)),
    # ships, solars, stars and what they are made of
    ('Loadout', 'archetype', 1, ('Ship', 'Solar')),
    ('Loadout', 'equip', 1, EQUIPMENT),
    ('Loadout', 'cargo', 1, ('Good',)),
    ('Ship', 'explosion_arch', 1, ('Explosion',)),
    ('Ship', 'fuse', 1, ('Fuse',)),
    ('Ship', 'surface_hit_effects', '*', ('Effect',)),
    ('Solar', 'explosion_arch', 1, ('Explosion',)),
    ('Solar', 'fuse', 1, ('Fuse',)),
    ('Asteroid', 'explosion_arch', 1, ('Explosion',)),
    ('Star', 'star_glow', 1, ('Glow',)),
    ('Star', 'star_center', 1, ('Glow',)),
    ('Star', 'spines', 1, ('Spines',)),
    ('Glow', 'shape', 1, ('Texture',)),
    ('Spines', 'shape', 1, ('Texture',)),
    # equipment
    ('Gun', 'projectile_archetype', 1, ('Munition',)),
    ('Munition', 'weapon_type', 1, ('WeaponType',)),
    ('Munition', 'one_shot_sound', 1, ('Sound',)),
    ('Munition', 'munition_hit_effect', 1, ('Effect',)),
    ('Engine', 'flame_effect', 1, ('Effect',)),
    ('Engine', 'trail_effect', 1, ('Effect',)),
    # goods and markets
    ('Good', 'equipment', 1, EQUIPMENT),
    ('Good', 'ship', 1, ('Ship',)),
    ('Good', 'addon', 1, EQUIPMENT),
    ('PriceTable', 'good', 1, ('Good',)),
    ('PriceTable', 'factor', 1, ('Base',)),
    ('BaseGood', 'base', 1, ('Base',)),
    ('BaseGood', 'MarketGood', 1, ('Good',)),
    # effects
    ('Explosion', 'effect', 1, ('Effect',)),
    ('Explosion', 'debris_type', 1, ('Debris',)),
    ('Effect', 'effect_type', 1, ('EffectType',)),
    ('Appearance', 'texture', 1, ('Texture',)),
    ('FuseStage', 'effect', 1, ('Effect',)),
    ('EngineEquipConsts', 'CRUISE_DISRUPT_EFFECT', 1, ('Effect',)),
    # factions and characters
    ('Reputation', 'faction', 1, ('Faction',)),
    ('Group', 'rep', 2, ('Group',)),
    # interface
    ('Style', 'font', 1, ('TrueType',)),
    ('HudElement', 'style', 1, ('Style',)),
    # missions, their ships and the encounters
    ('MsnShip', 'NPC', 1, ('NPCShipArch',)),
    ('Trigger', 'Cnd_SpaceEnter', 1, ('system',)),
    ('Trigger', 'Cnd_Destroyed', 1, ('MsnShip',)),
    ('Trigger', 'Act_SpawnShip', 1, ('MsnShip',)),
    ('Trigger', 'Act_ActTrig', 1, ('Trigger',)),
    ('NPCShipArch', 'loadout', 1, ('Loadout',)),
    ('NPCShipArch', 'ship_archetype', 1, ('Ship',)),
    ('Encounter', 'formation', 1, ('Formation',)),
]
