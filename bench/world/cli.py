"""Writes a synthetic Kestrovar game folder on which TARN's full analysis is measured.

    bench/make_world --scale S --seed N [--rules data/rules] [--mistakes some|none]
                     [--mistake-rate SHARE]
                     [--rename-defined N] --out DIR
    bench/make_world --self-test [--rules data/rules]

At scale 1 the folder is about the size of a full game: more than 1,800 files, 45 MB, a
million entry lines and three million values. Files, bytes and the time to write them grow
in proportion to the scale (0.25 and 4 are the usual ones). It holds:

- EXE/kestrovar.ini: [Resources], [Startup], and [Data], whose 22 keys that TARN reads name
  the data files (several files under some keys), beside keys TARN does not read;
- the files reached through the entry rules that name further files: the universe names the
  star systems and the bases; a system names its asteroid fields, nebulae and encounters; a
  field or nebula names its texture panels; a base names its rooms, a room its scene; goods
  name market price files; fuses name effect files, effects name shape files;
- the files the game loads by fixed path: missions (which name NPC ship files), the faction
  list (which names reputation files) and the flight display. DIR/other_ini.txt lists them,
  one path relative to DATA per line, for the _bc_OtherINI table of the TARN.MDB that reads
  the folder: nothing else names them.

Every section and key comes from the rule files in --rules, read anew on each run, so that
sections added to the rule set are exercised too (those this script has no place for go to
extra files under [Data]). Every value has the type of its position; `*` tails get a varying
number of values; a key occurs once per section unless its rule is `multiline`; no section
has more than a few hundred lines. Folders on disk are upper case, file names mixed case;
the values that name them use other letter cases. A few percent of the files are in the
binary form.

Names: every value position called `nickname` defines a name, unique in the world, unless
REFERENCES below says that it uses one; the positions REFERENCES lists name one of the names
that the sections it gives define (a loadout's equipment, a market's goods, a ship's
explosion...), drawn once every name is known, the way a game's files refer to each other.
The shapes of a real game's names are there at its rates:
- one good in about 700 is defined twice (the same nickname in two goods files);
- names local to a group of files (LOCAL_KINDS): a base's rooms are the same few words in
  every base (Bar, Deck, ...), used only by that base's file and its room files; the objects
  and zones of a star system are unique within its file, many recur in other systems, and
  only lines of the same system use them;
- a section kind with two identity keys (a rule with two positions called `nickname`, as
  the bench's [Sound] `name` beside `nickname`): each section carries one of them, the
  first in RARE_IDENTITY of the sections (9 in 4,100 sounds), the other in the rest.

Mistakes: about one entry line in a thousand (--mistake-rate, as a share of the entry lines that
may carry one), and a few sections, carry a mistake that gives
one warning when the folder is checked against rules that describe the same folder without
them: an unknown key, a value of the wrong type, one value too many, a second line of a
single-line key, an integer beyond 32 bits where a Long belongs, a decimal where an integer
belongs (12.5; TARN's Long conversion rounds it, so only rules that know the position held
integers alone find it), and a section whose name no rule has. Whether a line carries one
and what it is are drawn from a random stream of their own, so the rest of the folder does
not depend on them: --mistakes none writes the same folder with every one of those lines
written correctly (the binary files differ in their bytes, not in their text form).
Lines that define a name or name a file never carry a mistake, nor do sections holding one.

Files written beside the game folders:
- DIR/world.json: what was written (files, bytes, sections, entry lines, values, binary
  files, mistakes by kind, defined names and their uses) and what TARN stores and warns
  about with the rule set in --rules (stored_*, expected_warnings: every mistake except the
  decimals);
- DIR/mistakes.json: every mistake written: its kind, the file (relative to DIR, as on disk),
  whether it is binary, the physical line (of the text form for a binary file), the line the
  warning shows (section header line + place of the entry in its section), the section, key
  and value text written, and the warning number the rules in --rules give (null: none);
- DIR/references.json: the mapping used, one row per referring (section, key, position),
  with the (section, key, position) that define the names it takes and the number of uses;
- DIR/renamed.json, with --rename-defined N: N defined names that have uses are written
  under a new name at their defining place once the folder is complete (everything else
  stays as without the option), so that their uses dangle; it lists each renamed name and
  every use of it now dangling, with file, line and whether TARN stores that line.

The same scale, seed, rules and options give the same bytes.

It runs TARN's own programs from build/bin (or those the variables TARN and TARN_MKBINI
name): `tarn rules export --json --from RULES` reads the rules, `tarn-mkbini` writes the
binary files and, in --self-test, `tarn bini` reads them back.
"""

import argparse
import os

from .mistakes import MISTAKE_RATE
from .report import make_world
from .self_test import self_test


def main():
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))  # bench/
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--scale', type=float, default=1.0)
    parser.add_argument('--seed', type=int, default=1)
    parser.add_argument('--rules', default=os.path.join(here, '..', 'data', 'rules'))
    parser.add_argument('--out')
    parser.add_argument('--mistakes', choices=('some', 'none'), default='some',
                        help='none: every line that would carry a mistake written correctly')
    parser.add_argument('--mistake-rate', type=float, default=MISTAKE_RATE, metavar='SHARE',
                        help='the share of entry lines that may carry a mistake (default %g)'
                        % MISTAKE_RATE)
    parser.add_argument('--rename-defined', type=int, default=0, metavar='N',
                        help='write N defined names under a new name, their uses dangling')
    parser.add_argument('--self-test', action='store_true')
    args = parser.parse_args()
    if args.self_test:
        self_test(args.rules)
        return
    if not args.out or args.scale <= 0 or args.rename_defined < 0:
        parser.error('--out DIR and a positive --scale are needed')
    if os.path.exists(args.out) and os.listdir(args.out):
        parser.error('%s is not empty' % args.out)
    world = make_world(args.rules, args.scale, args.seed, args.out, mistakes=args.mistakes,
                       rename=args.rename_defined, mistake_rate=args.mistake_rate)
    c = world.counts
    print('%d files (%d binary), %.1f MB, %d sections, %d entry lines, %d values, %d mistakes, '
          '%d defined names, %d uses%s'
          % (c['files'], c['binary_files'], c['bytes'] / 1e6, c['sections'], c['entry_lines'],
             c['values'], c['mistakes'], c['defined_names'], c['name_uses'],
             ', %d renamed' % len(world.renamed) if args.rename_defined else ''))
