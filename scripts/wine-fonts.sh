#!/usr/bin/env bash
# Maps the Windows fonts the desktop asks for (and Wine's own dialog fonts) to DejaVu Sans in the
# Wine prefix $WINEPREFIX, as Linux's fontconfig does: Wine has none of them, and its own fallback
# differs from prefix to prefix, so pictures taken under Wine would not compare with Linux's.
set -euo pipefail
wine=/usr/lib/wine/wine64
key='HKCU\Software\Wine\Fonts\Replacements'
for face in Verdana Arial Calibri Tahoma "Segoe UI" "MS Shell Dlg" "MS Shell Dlg 2" \
    "MS Sans Serif" "Times New Roman"; do
    "$wine" reg add "$key" /v "$face" /t REG_SZ /d "DejaVu Sans" /f >/dev/null 2>&1
done
