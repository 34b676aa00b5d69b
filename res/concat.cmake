# Joins HEAD, BODY and TAIL into OUT, byte for byte.
file(READ "${HEAD}" _head)
file(READ "${BODY}" _body)
file(READ "${TAIL}" _tail)
file(WRITE "${OUT}.tmp" "${_head}${_body}${_tail}")
file(RENAME "${OUT}.tmp" "${OUT}")
