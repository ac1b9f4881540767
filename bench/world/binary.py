"""The binary form of a data file, written by tarn-mkbini, and the text it decodes to."""

import json
import struct
import subprocess
import sys

from .common import CRLF, DOUBLE, LONG, MKBINI


def encode_binary(sections):
    """The binary INI form of sections [(name, [(key, [(type, text)])])], as tarn-mkbini
    writes it (TARN_MKBINI names another than build/bin's). Names come first in the string
    table so that their 16-bit offsets reach them; equal strings are stored once."""
    typed = {LONG: int, DOUBLE: float}
    source = [[name, [[key, [typed.get(kind, str)(text) for kind, text in values]]
                      for key, values in entries]] for name, entries in sections]
    made = subprocess.run([MKBINI, '--names-first', '--json', '-', '-'],
                          input=json.dumps(source).encode(), capture_output=True)
    if made.returncode != 0:
        sys.exit(made.stderr.decode(errors='replace'))
    return made.stdout


def float_text(packed):
    """The shortest text that reads back as the same 32-bit float, in the form the
    reader's text rendering uses: fixed or exponent form, whichever is shorter, and '.0'
    after a whole number."""
    value = struct.unpack('<f', packed)[0]
    for precision in range(1, 10):
        text = '%.*e' % (precision - 1, value)
        if struct.pack('<f', float(text)) == packed:
            break
    mantissa, exponent = text.split('e')
    sign = '-' if mantissa.startswith('-') else ''
    digits = mantissa.lstrip('-').replace('.', '').rstrip('0') or '0'
    point = int(exponent) + 1  # value = 0.digits x 10^point
    if digits == '0':
        fixed = '0'
    elif point <= 0:
        fixed = '0.' + '0' * -point + digits
    elif point >= len(digits):
        fixed = digits + '0' * (point - len(digits))
    else:
        fixed = digits[:point] + '.' + digits[point:]
    scientific = digits[0] + ('.' + digits[1:] if len(digits) > 1 else '')
    scientific += 'e%s%02d' % ('-' if point - 1 < 0 else '+', abs(point - 1))
    text = fixed if len(fixed) <= len(scientific) else scientific
    if '.' not in text and 'e' not in text:
        text += '.0'
    return sign + text


def decode_binary(data):
    """The text form of a binary INI file, one line per section header and per entry."""
    strings_at = struct.unpack_from('<I', data, 8)[0]

    def string(at):
        start = strings_at + at
        return data[start:data.index(b'\0', start)].decode('cp1252')
    lines, at = [], 12
    while at < strings_at:
        name, count = struct.unpack_from('<HH', data, at)
        at += 4
        lines.append('[%s]' % string(name))
        for _ in range(count):
            key, n_values = struct.unpack_from('<HB', data, at)
            at += 3
            texts = []
            for _ in range(n_values):
                kind = data[at]
                payload = data[at + 1:at + 5]
                at += 5
                if kind == 1:
                    texts.append(str(struct.unpack('<i', payload)[0]))
                elif kind == 2:
                    texts.append(float_text(payload))
                else:
                    texts.append(string(struct.unpack('<I', payload)[0]))
            lines.append('%s = %s' % (string(key), ', '.join(texts)) if texts
                         else '%s =' % string(key))
    return CRLF.join(lines) + CRLF


def canonical_text(sections):
    """What the reader sees of sections: the text form a binary file decodes to."""
    lines = []
    for name, entries in sections:
        lines.append('[%s]' % name)
        for key, values in entries:
            lines.append('%s = %s' % (key, ', '.join(t for _, t in values)) if values
                         else '%s =' % key)
    return CRLF.join(lines) + CRLF
