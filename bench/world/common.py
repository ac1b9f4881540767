"""The value types of the binary form and the rule sources, the line ending the game's files use,
and the TARN programs the generator runs (build/bin's, or those TARN and TARN_MKBINI name)."""

import os

LONG, DOUBLE, STRING, BOOLEAN, NULL = 1, 2, 3, 4, 5
BIN = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                   'build', 'bin')
MKBINI = os.environ.get('TARN_MKBINI', os.path.join(BIN, 'tarn-mkbini'))
TARN = os.environ.get('TARN', os.path.join(BIN, 'tarn'))
CRLF = '\r\n'
