"""Writing a world's files: the text form as people write it, the binary form, where each mistake
and name lands, and the names drawn for uses once every file is laid out."""

import os

from .binary import canonical_text, encode_binary
from .common import CRLF, STRING
from .model import Name, Use
from .shapes import BINARY_SHARE
from .values import ValueMaker


class Writing:
    """Laying out and writing the files; part of World."""

    def name_of(self, disk_path, base='DATA'):
        """The value that names disk_path (relative to DATA): relative to base, `\\` between
        folders, each folder in a letter case of its own and the file name never as on
        disk."""
        rng = self.rng
        parts = disk_path.split('/')
        if base != 'DATA':
            assert parts[0] == base
            parts = parts[1:]
        named = []
        for i, part in enumerate(parts):
            forms = [part.lower(), part.upper(), part.capitalize(), part]
            if i == len(parts) - 1:
                forms = [f for f in forms[:3] if f != part] or forms
                named.append(rng.choice(forms))
            else:
                named.append(rng.choice(forms))
        return '\\'.join(named)

    def write_ini(self, disk_path, sections, comment):
        """Lays out one data file (relative to DATA), a few percent of them in the binary
        form, and counts what it holds. The bytes are written at the end, once every use
        of a name knows its name."""
        sections = [s for s in sections if s is not None]
        c, by_kind = self.counts, self.by_kind
        apply = self.write_mistakes
        for made in sections:
            c['sections'] += 1
            c['max_section_lines'] = max(c['max_section_lines'], len(made.entries))
            unknown = made.mistake
            if unknown is not None:
                if apply:
                    c['mistakes'] += 1
                    by_kind[unknown.kind] += 1
                else:
                    c['withheld_mistakes'] += 1
                    unknown = None
            if unknown is None:
                c['stored_sections'] += 1
            for _, values, flag, mistake in made.entries:
                if mistake is not None:
                    if apply:
                        values = mistake.values
                        c['mistakes'] += 1
                        by_kind[mistake.kind] += 1
                    else:
                        c['withheld_mistakes'] += 1
                        mistake = None
                c['entry_lines'] += 1
                c['values'] += len(values)
                if unknown is None and (mistake is None or mistake.stored):
                    c['stored_entries'] += 1
                    c['stored_values'] += len(values)
                if flag == self.REFERENCE:
                    c['reference_lines'] += 1
        # The shape files come last: if chance has left a small world without a binary file,
        # the first of them is one.
        binary = self.rng.random() < BINARY_SHARE or (
            self.counts['binary_files'] == 0 and disk_path.startswith('FX/SHAPES/'))
        path = 'DATA/' + disk_path
        if binary:
            self.place_binary(path, sections)
            c['binary_files'] += 1
            self.files.append((path, True, sections))
        else:
            self.files.append((path, False, self.render_text(path, sections, comment)))
            c['text_files'] += 1

    def written(self, made):
        """The section as written: (name, lines (key, values, flag), whether TARN stores it)."""
        if not self.write_mistakes:
            return made.name, [line[:3] for line in made.entries], True
        entries = [line[:3] if line[3] is None else (line[3].key, line[3].values, line[2])
                   for line in made.entries]
        if made.mistake is not None:
            return made.mistake.section, entries, False
        return made.name, entries, True

    def mark(self, values, site, stored):
        """Tells the names on a written line where they are."""
        position = 0
        for _, text in values:
            position += 1
            kind = text.__class__
            if kind is Use:
                text.site, text.position, text.stored = site, position, stored
            elif kind is Name:
                text.site, text.position = site, position

    def place_binary(self, path, sections):
        """Finds the lines of the text form of a binary file: a header line per section,
        then its entries."""
        line = 1
        for made in sections:
            name, entries, stored = self.written(made)
            header = line
            if not stored:
                made.mistake.place(path, True, line, line + 1)
                self.mistakes.append(made.mistake)
            line += 1
            for place, ((key, values, flag), full) in enumerate(zip(entries, made.entries), 1):
                mistake = full[3] if self.write_mistakes else None
                if mistake is not None:
                    mistake.place(path, True, line, header + place)
                    self.mistakes.append(mistake)
                if flag == self.NAMES or mistake is not None:
                    self.mark(values, self.rename == 0 or
                              (path, True, line, header + place, name, key),
                              stored and (mistake is None or mistake.stored))
                line += 1

    def render_text(self, path, sections, comment):
        """The text form as people write it: a comment on top, blank lines between
        sections, now and then keys aligned with tabs, comment lines and comments after
        values. Returns it in pieces: texts, and the names that are not known yet."""
        rnd = self.rng.random
        aligned = rnd() < 0.3
        out = ['; ', comment, CRLF, CRLF]
        line = 3
        for made in sections:
            name, entries, stored = self.written(made)
            if not stored:
                made.mistake.place(path, False, line, line + 1)
                self.mistakes.append(made.mistake)
            out.append('[%s]%s' % (name, CRLF))
            header = line
            line += 1
            for place, ((key, values, flag), full) in enumerate(zip(entries, made.entries), 1):
                mistake = full[3] if self.write_mistakes else None
                if mistake is not None:
                    mistake.place(path, False, line, header + place)
                    self.mistakes.append(mistake)
                if aligned:
                    lead = '%s%s= ' % (key, '\t' * max(1, 3 - len(key) // 8))
                else:
                    lead = '%s = ' % key if values else key + ' ='
                if flag == self.NAMES or mistake is not None:
                    self.mark(values, self.rename == 0 or
                              (path, False, line, header + place, name, key),
                              stored and (mistake is None or mistake.stored))
                    out.append(lead)
                    for position, (_, text) in enumerate(values):
                        if position:
                            out.append(', ')
                        out.append(text)
                else:
                    out.append(lead + ', '.join(t for _, t in values))
                r = rnd()
                if r < 0.004:
                    out.append('\t\t; checked')
                elif r < 0.006:
                    out.append('%s; %s' % (CRLF, rnd() < 0.5 and 'kept for the old saves'
                                           or 'see the design notes'))
                    line += 1
                out.append(CRLF)
                line += 1
            out.append(CRLF)
            line += 1
        # One text between two names keeps the pieces few.
        pieces, run = [], []
        for piece in out:
            if piece.__class__ is str:
                run.append(piece)
            else:
                if run:
                    pieces.append(''.join(run))
                    run = []
                pieces.append(piece)
        if run:
            pieces.append(''.join(run))
        return pieces

    def finish(self):
        """Draws the name each use takes, renames what --rename-defined asks for, and writes
        the data files."""
        rnd = self.reference_rng.random
        pools = {}
        for slot in self.slots:
            if slot.targets not in pools:
                pools[slot.targets] = [name for t in slot.targets
                                       for name in self.names.get(t.upper(), ())]
        stand_in = ValueMaker(self.reference_rng).maker(STRING, 'nickname')
        for use in self.uses:
            if use.copy_of is None and use.name is None:
                pool = pools[use.slot.targets] if use.pool is None else use.pool
                if pool:
                    use.name = pool[int(rnd() * len(pool))]
                else:
                    use.fallback = stand_in()[1]
        self.counts['defined_names'] = sum(1 for names in self.names.values()
                                           for name in names if name.site is not None)
        used = {}
        for use in self.uses:
            if use.site is not None and use.target() is not None:
                self.counts['name_uses'] += 1
                use.slot.uses += 1
                used.setdefault(use.target(), []).append(use)
        if self.rename:
            named = [name for names in self.names.values() for name in names
                     if name in used and name.site is not None and not name.shared]
            for name in self.rename_rng.sample(named, min(self.rename, len(named))):
                more = 2
                while '%s_v%d' % (name.text, more) in self.taken:
                    more += 1
                name.written = '%s_v%d' % (name.text, more)
                self.taken.add(name.written)
                self.renamed.append((name, used[name]))
        for path, binary, laid_out in self.files:
            if binary:
                sections = []
                for made in laid_out:
                    name, entries, _ = self.written(made)
                    sections.append((name, [(key, [(t, v if v.__class__ is str else v.render())
                                                   for t, v in values])
                                            for key, values, _ in entries]))
                data = encode_binary(sections)
                if self.canonical is not None:
                    self.canonical[path] = canonical_text(sections)
            else:
                data = ''.join(p if p.__class__ is str else p.render()
                               for p in laid_out).encode('cp1252')
            self.write_file(path, data)
        self.files = []

    def write_file(self, path, data):
        full = os.path.join(self.out, *path.split('/'))
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, 'wb') as f:
            f.write(data)
        self.counts['files'] += 1
        self.counts['bytes'] += len(data)

    def data_file(self, key, disk_path, sections, comment):
        self.data_entries.append((key, self.name_of(disk_path)))
        self.write_ini(disk_path, sections, comment)
