"""The binary form of a data file, written by tarn-mkbini, and the text TARN's reader decodes it
to (read back by the self-test through `tarn bini`: the form is decoded in one place)."""

import json
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


def canonical_text(sections):
    """What the reader sees of sections: the text form a binary file decodes to."""
    lines = []
    for name, entries in sections:
        lines.append('[%s]' % name)
        for key, values in entries:
            lines.append('%s = %s' % (key, ', '.join(t for _, t in values)) if values
                         else '%s =' % key)
    return CRLF.join(lines) + CRLF
