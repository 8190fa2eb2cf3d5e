#!/usr/bin/env bash
# Checks a built Orvelkit.exe from outside: PE kind, GUI subsystem, imports from Windows only,
# hardening flags, sections, and the resources it must carry, read back byte by byte.
# Usage: pe_check.sh OBJDUMP WINDRES EXE 32|64 VERSION   (VERSION: the project's, as 1.3.0.13)
set -uo pipefail
objdump=$1 windres=$2 exe=$3 bits=$4 version=$5
fail=0
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi; }

headers=$("$objdump" -p "$exe")
sections=$("$objdump" -h "$exe")
# The executable ships stripped; its symbols stay in the file beside it.
symbols=$("$objdump" -t "$exe.debug" 2>/dev/null)
resources=$("$windres" -i "$exe" -O rc 2>/dev/null)
dll_chars=$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")
flags=$((16#$dll_chars))

if [ "$bits" = 32 ]; then
  check "PE32 (32-bit) image" 'grep -q "^Magic[[:space:]]*010b" <<<"$headers"'
else
  check "PE32+ (64-bit) image" 'grep -q "^Magic[[:space:]]*020b" <<<"$headers"'
  check "high-entropy ASLR" '(( flags & 0x20 ))'
  base=$(awk '/^ImageBase/ {print $2}' <<<"$headers")
  check "image base above 4 GB ($base)" '(( 16#$base > 0xFFFFFFFF ))'
fi
check "GUI subsystem" 'grep -Eq "^Subsystem[[:space:]]+0*2[[:space:]]" <<<"$headers"'
check "ASLR (dynamic base)" '(( flags & 0x40 ))'
check "DEP (NX compatible)" '(( flags & 0x100 ))'
check "relocations kept" 'grep -q "\.reloc" <<<"$sections"'
check "no symbol table in the executable" '! "$objdump" -t "$exe" | grep -q "^\[ *[0-9]*\]"'
check "symbols kept beside it" '[ -n "$symbols" ]'
# objdump -h marks each section's flags on the line after its name.
wx=$(awk '/^ *[0-9]+ /{name=$2; next} /CODE/ && /READONLY/ {next} /CODE/ {print name}' <<<"$sections")
check "no writable and executable section ${wx}" '[ -z "$wx" ]'
# A static link takes the check routine from libssp only when compiled code calls it (32-bit symbol
# names carry one more leading underscore).
check "stack protector linked in (__stack_chk_fail)" 'grep -Eq "[[:space:]]_?__stack_chk_fail$" <<<"$symbols"'

allowed='^(kernel32|user32|gdi32|comctl32|ole32|oleaut32|shell32|advapi32|shlwapi|msvcrt|comdlg32)\.dll$'
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
bad=$(grep -Ev "$allowed" <<<"$imports" || true)
check "imports Windows system DLLs only (${imports//$'\n'/ })" '[ -z "$bad" ]'
# Older Windows lacks SetDefaultDllDirectories, so the program may look it up by name instead.
check "SetDefaultDllDirectories imported or looked up by name" \
  'grep -Eq "[[:space:]]SetDefaultDllDirectories$" <<<"$headers" ||
   { grep -Eq "[[:space:]]GetProcAddress$" <<<"$headers" && grep -Faq SetDefaultDllDirectories "$exe"; }'

IFS=. read -r major minor patch build <<<"$version"
check "file version $version" 'grep -q "FILEVERSION $major, $minor, $patch, $build" <<<"$resources" &&
                               grep -q "\"FileVersion\", \"$version\"" <<<"$resources"'
check "product version $major.$minor.0.0" 'grep -q "\"ProductVersion\", \"$major.$minor.0.0\"" <<<"$resources"'
check "string block 040904E4" 'grep -qi "BLOCK \"040904e4\"" <<<"$resources"'
check "product name" 'grep -q "\"ProductName\", \"Orvel for Windows Networks\"" <<<"$resources"'
check "file description" 'grep -q "\"FileDescription\", \"Orvel for Windows Networks\"" <<<"$resources"'

# The icon, clip, glyphs and manifest from the compiled resources themselves.
res=$(mktemp --suffix=.res)
trap 'rm -f "$res"' EXIT
if ! "$windres" -i "$exe" -O res -o "$res"; then
  echo "FAIL resources extracted with $windres"
  exit 1
fi
python3 - "$res" "$(dirname "$0")/../resources" "$version" <<'PY' || fail=1
import struct, sys
import xml.etree.ElementTree as ET

sys.dont_write_bytecode = True  # nothing of the check lands in the source tree
sys.path.insert(0, sys.argv[2])
from generate import rle8_decode  # the generator's own reader, kept apart from its writer

failed = False


def check(what, ok):
    global failed
    print(('ok   ' if ok else 'FAIL ') + what)
    failed |= not ok


def read_res(path):
    """The entries of a .res file: {(type, name): data}; numeric ids as ints, names as text."""
    data, entries, at = open(path, 'rb').read(), {}, 0
    while at + 8 <= len(data):
        size, header = struct.unpack_from('<II', data, at)
        fields, kind_name = at + 8, []
        for _ in range(2):
            if struct.unpack_from('<H', data, fields)[0] == 0xFFFF:
                kind_name.append(struct.unpack_from('<H', data, fields + 2)[0])
                fields += 4
            else:
                end = fields
                while struct.unpack_from('<H', data, end)[0]:
                    end += 2
                kind_name.append(data[fields:end].decode('utf-16-le'))
                fields = end + 2
        if size:
            entries[tuple(kind_name)] = data[at + header:at + header + size]
        at = (at + header + size + 3) & ~3
    return entries


def dib(blob):
    """Width, height, bit count and compression of a BITMAPINFOHEADER."""
    _, width, height, _, bpp, compression = struct.unpack_from('<IiiHHI', blob)
    return width, height, bpp, compression


RT_BITMAP, RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 2, 3, 14, 24
res = read_res(sys.argv[1])

# ---- the main icon: a group of four images, each as its directory entry says
groups = [data for (kind, _), data in res.items() if kind == RT_GROUP_ICON]
check('one icon group (%d)' % len(groups), len(groups) == 1)
found = set()
for group in groups[:1]:
    _, _, count = struct.unpack_from('<HHH', group)
    for i in range(count):
        w, h, _, _, _, bpp, _, image = struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i)
        blob = res.get((RT_ICON, image))
        if blob is None:
            check('icon image %d present' % image, False)
            continue
        iw, ih, ibpp, _ = dib(blob)
        check('icon image %d: %dx%d, %d bpp as listed' % (image, iw, ih // 2, ibpp),
              (iw, ih // 2, ibpp) == (w or 256, h or 256, bpp))
        found.add((iw, ih // 2, ibpp))
# 16 and 32 pixels in 16 and 256 colours as at 96 pixels per inch; denser screens take further sizes.
check('icon images 16 and 32 px in 4 and 8 bpp, more sizes in 8 bpp (%s)' % sorted(found),
      {(16, 16, 4), (32, 32, 4), (16, 16, 8), (32, 32, 8)} <= found and
      {i for i in found if i[0] not in (16, 32)} == {(s, s, 8) for s in (20, 24, 40, 48, 64)})

# ---- the glyphs
glyphs = {name: dib(data[14:] if data[:2] == b'BM' else data) for (kind, name), data in res.items()
          if kind == RT_BITMAP}
check('four glyphs in four widths (%s)' % sorted(glyphs), len(glyphs) == 16)
for step, width in enumerate((16, 20, 24, 32)):
    folder = 201 + 10 * step
    check('folder glyph %d: %dx%d, 16 colours (%s)' % (folder, width, (14 * width + 8) // 16, glyphs.get(folder)),
          glyphs.get(folder, ())[:3] == (width, (14 * width + 8) // 16, 4))
    for name in (folder + 1, folder + 2, folder + 3):
        check('glyph %d: %dx%d, 24 bpp (%s)' % (name, width, width, glyphs.get(name)),
              glyphs.get(name, ())[:3] == (width, width, 24))


# ---- the busy clip
def chunks(data, at, end):
    """(fourcc, list type or None, start, end) of each chunk between at and end."""
    while at + 8 <= end:
        fourcc, size = data[at:at + 4], struct.unpack_from('<I', data, at + 4)[0]
        listed = data[at + 8:at + 12] if fourcc in (b'RIFF', b'LIST') else None
        yield fourcc, listed, at + 8, min(at + 8 + size, end)
        at += 8 + size + (size & 1)


def rle8(data, w, h):
    """One BI_RLE8 frame as top-down rows, every row filled; None when the data is not well-formed."""
    try:
        return rle8_decode(data, w, h)
    except (AssertionError, IndexError):
        return None


avi = res.get(('AVI', 152))
check('busy clip: resource type "AVI", id 152', avi is not None)
if avi is not None:
    check('busy clip: RIFF AVI', avi[:4] == b'RIFF' and avi[8:12] == b'AVI ')
    parts = {}

    def walk(at, end):
        for fourcc, listed, start, stop in chunks(avi, at, end):
            if listed:
                walk(start + 4, stop)
            else:
                parts.setdefault(fourcc, []).append(avi[start:stop])
            if listed == b'movi':
                parts[b'movi-start'] = [start]

    walk(12, len(avi))
    avih, strh, strf = (parts.get(k, [b''])[0] for k in (b'avih', b'strh', b'strf'))
    if len(avih) >= 40 and len(strh) >= 48 and len(strf) >= 40:
        per_frame, _, _, avi_flags, frames, _, streams = struct.unpack_from('<7I', avih)
        width, height = struct.unpack_from('<II', avih, 32)
        kind, handler = strh[:4], strh[4:8]
        scale, rate, _, length = struct.unpack_from('<4I', strh, 20)
        fw, fh, bpp, compression = dib(strf)
        colours = struct.unpack_from('<I', strf, 32)[0] or 256
        palette = [tuple(strf[40 + 4 * i + k] for k in (2, 1, 0)) for i in range(colours)]
        check('busy clip: one stream (%d, %d strh)' % (streams, len(parts[b'strh'])),
              streams == 1 and len(parts[b'strh']) == 1)
        check('busy clip: video stream, handler "mrle" (%r %r)' % (kind, handler),
              kind == b'vids' and handler == b'mrle')
        check('busy clip: 16x16 (%dx%d, frames %dx%d)' % (width, height, fw, fh),
              (width, height, fw, fh) == (16, 16, 16, 16))
        check('busy clip: 8 bpp RLE8 with a 256-colour palette (%d bpp, compression %d, %d colours)' %
              (bpp, compression, colours), bpp == 8 and compression == 1 and colours == 256 and
              len(strf) >= 40 + 4 * colours)
        check('busy clip: 8 frames (header %d, stream %d, data %d)' %
              (frames, length, len(parts.get(b'00dc', []))), frames == length == len(parts.get(b'00dc', [])) == 8)
        check('busy clip: 100000 us per frame (%d; stream rate %d/%d)' % (per_frame, rate, scale),
              per_frame == 100000 and scale and rate * 100000 == scale * 1000000)
        index = parts.get(b'idx1', [b''])[0]
        entries = [struct.unpack_from('<4sIII', index, i) for i in range(0, len(index) - 15, 16)]
        check('busy clip: idx1 index of every frame, flagged in the header (%d entries)' % len(entries),
              bool(avi_flags & 0x10) and len(entries) == 8)
        if entries:
            check('busy clip: first frame a key frame', entries[0][0] == b'00dc' and bool(entries[0][1] & 0x10))
            movi = parts[b'movi-start'][0]
            first = avi[movi + entries[0][2] + 8:movi + entries[0][2] + 8 + entries[0][3]]
            check('busy clip: index points at the first frame', first == parts[b'00dc'][0])
        decoded = [rle8(f, 16, 16) for f in parts.get(b'00dc', [])]
        whole = all(d is not None for d in decoded)
        check('busy clip: every frame decodes to 16x16 pixels', whole)
        if whole and len(palette) == 256:
            corners = {palette[d[0][0]] for d in decoded}
            # The transparent control takes its key colour from the top-left pixel.
            check('busy clip: magenta 255,0,255 background at the top-left of every frame (%s)' % corners,
                  corners == {(255, 0, 255)})
            check('busy clip: palette entry 0 is the magenta background (%s)' % (palette[0],),
                  palette[0] == (255, 0, 255))
            check('busy clip: the frames differ (%d distinct)' % len({str(d) for d in decoded}),
                  len({str(d) for d in decoded}) > 1)
    else:
        check('busy clip: avih, strh and strf headers present', False)

# ---- the manifest
manifest = res.get((RT_MANIFEST, 1))
check('manifest: RT_MANIFEST id 1', manifest is not None)
if manifest is not None:
    ns = {'a': 'urn:schemas-microsoft-com:asm.v1', 'v3': 'urn:schemas-microsoft-com:asm.v3'}
    root = ET.fromstring(manifest)
    ids = [e.attrib for e in root.iterfind('a:dependency/a:dependentAssembly/a:assemblyIdentity', ns)]
    controls = [a for a in ids if a.get('name') == 'Microsoft.Windows.Common-Controls']
    wanted = {'type': 'win32', 'version': '6.0.0.0', 'processorArchitecture': '*',
              'publicKeyToken': '6595b64144ccf1df', 'language': '*'}
    check('manifest: Common-Controls %s' % controls,
          len(controls) == 1 and all(controls[0].get(k) == v for k, v in wanted.items()))
    levels = [e.attrib for e in root.iter('{%s}requestedExecutionLevel' % ns['v3'])]
    check('manifest: asInvoker, uiAccess false %s' % levels,
          levels == [{'level': 'asInvoker', 'uiAccess': 'false'}])
    aware = {e.tag.split('}')[1]: e.text for e in root.iter() if e.tag.endswith('}dpiAwareness') or e.tag.endswith('}dpiAware')}
    check('manifest: aware of each screen\'s density %s' % aware,
          aware == {'dpiAwareness': 'PerMonitorV2, PerMonitor', 'dpiAware': 'true/pm'})
    description = root.find('a:description', ns)
    check('manifest: description "Orvel for Windows Networks"',
          description is not None and description.text == 'Orvel for Windows Networks')
    own = root.find('a:assemblyIdentity', ns)
    check('manifest: the program\'s identity carries its version %s' % (own.attrib if own is not None else None),
          own is not None and own.get('version') == sys.argv[3])

sys.exit(1 if failed else 0)
PY
exit $fail
