"""The built launcher's resources, read back from the executable.

A small PE resource reader (no Windows, no Wine) checks that each of the ten
languages carries the whole string table and the four dialog templates with
their control ids and geometry, that the texts arrived as the UTF-8 sources
say (so the resource compiler converted them), and that no translation is an
English copy by accident.
"""

import os
import re
import struct
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
RESOURCES = REPO / "resources"
# CARAFE_E2E_LAUNCHER and CARAFE_E2E_LAUNCHER32 point at other builds.
EXECUTABLES = [
    Path(os.environ.get("CARAFE_E2E_LAUNCHER", REPO / "dist" / "win64" / "launcher.exe")),
    Path(os.environ.get("CARAFE_E2E_LAUNCHER32", REPO / "dist" / "win32" / "launcher.exe")),
]

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION = 3, 5, 6, 14, 16
LANGUAGES = [1028, 1031, 1033, 1036, 1040, 1041, 1042, 1053, 2052, 3082]
ENGLISH = 1033
WS_SYSMENU, WS_BORDER, DS_MODALFRAME, WS_POPUP, WS_CAPTION = 0x80000, 0x800000, 0x80, 0x80000000, 0xC00000
SS_ICON, ES_AUTOHSCROLL, BS_DEFPUSHBUTTON = 0x3, 0x80, 0x1
STATIC, BUTTON, EDIT = 0x82, 0x80, 0x81

# Texts that stay English everywhere: the product's message title and the
# caption. Beyond them, words that are genuinely the same in a language.
SAME_AS_ENGLISH = {
    1031: {"64", "OK"}, 1036: {"24", "51", "64", "65", "OK"}, 1040: {"55", "OK"},
    1041: {"OK"}, 1053: {"64", "OK"}, 3082: {"55"},
}


# --------------------------------------------------------------------------
# Reading the executable


def read_resources(path):
    """{(type, name, language): bytes}; string names (such as "AVI") as str."""
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    directories = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = []
    for index in range(sections):
        entry = optional + optional_size + 40 * index
        table.append(struct.unpack_from("<IIII", data, entry + 8))  # vsize, rva, rawsize, raw

    def offset(rva):
        for vsize, start, rawsize, raw in table:
            if start <= rva < start + max(vsize, rawsize):
                return raw + rva - start
        raise ValueError(hex(rva))

    base = offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, at)[0]
                name = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names & 0x7FFFFFFF):
            for language, leaf in entries(languages & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found[(kind, name, language)] = data[offset(rva):offset(rva) + size]
    return found


def string_table(resources, language):
    """{id: text} of one language."""
    texts = {}
    for (kind, block, lang), raw in resources.items():
        if kind != RT_STRING or lang != language:
            continue
        at = 0
        for index in range(16):
            length = struct.unpack_from("<H", raw, at)[0]
            if length:
                texts[(block - 1) * 16 + index] = raw[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            at += 2 + 2 * length
    return texts


def _sz_or_ord(raw, at):
    if struct.unpack_from("<H", raw, at)[0] == 0xFFFF:
        return struct.unpack_from("<H", raw, at + 2)[0], at + 4
    end = at
    while raw[end:end + 2] != b"\0\0":
        end += 2
    return raw[at:end].decode("utf-16-le"), end + 2


def parse_dialog(raw):
    """A DLGTEMPLATE: style, size, caption, font and the controls."""
    style, _, count, _, _, width, height = struct.unpack_from("<IIHhhhh", raw, 0)
    _, at = _sz_or_ord(raw, 18)  # menu
    _, at = _sz_or_ord(raw, at)  # class
    caption, at = _sz_or_ord(raw, at)
    points = struct.unpack_from("<H", raw, at)[0]
    font, at = _sz_or_ord(raw, at + 2)
    controls = []
    for _ in range(count):
        at = (at + 3) & ~3
        c_style, _, x, y, w, h, ident = struct.unpack_from("<IIhhhhH", raw, at)
        kind, at = _sz_or_ord(raw, at + 18)
        text, at = _sz_or_ord(raw, at)
        extra = struct.unpack_from("<H", raw, at)[0]
        at += 2 + extra
        if isinstance(kind, str):
            kind = {"static": STATIC, "button": BUTTON, "edit": EDIT}.get(kind.lower(), kind.lower())
        controls.append(dict(style=c_style, x=x, y=y, w=w, h=h,
                             id=ident if ident != 0xFFFF else -1, kind=kind, text=text))
    return dict(style=style, size=(width, height), caption=caption, font=(points, font),
                controls=controls)


# --------------------------------------------------------------------------
# What the sources say


def _unescape(text):
    simple = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}
    text = re.sub(r"\\([nrt\\])", lambda m: simple[m.group(1)], text)
    return text.replace('""', '"')


def source_strings(language):
    ids = dict(re.findall(r"#define (IDS_\w+) (\d+)", (RESOURCES / "string_ids.h").read_text()))
    source = (RESOURCES / f"strings_{language}.rc").read_text(encoding="utf-8")
    return {int(ids[name]): _unescape(text)
            for name, text in re.findall(r'^\s*(IDS_\w+) "(.*)"\s*$', source, re.M)}


def source_dialog_texts(language):
    source = (RESOURCES / f"dialogs_{language}.rc").read_text(encoding="utf-8")
    return {name: _unescape(text)
            for name, text in re.findall(r'^#define DLG_(\w+) "(.*)"\s*$', source, re.M)}


DOWNLOAD_PAGE = re.search(r'JVM_DOWNLOAD_PAGE "(.*)"', (RESOURCES / "download_page.h").read_text()).group(1)

# (kind, id, x, y, w, h, required style bits, text key); -1 is "no id".
TEMPLATES = {
    101: ((242, 149), True, [
        (STATIC, -1, 8, 8, 20, 20, SS_ICON, "ICON"),
        (STATIC, -1, 36, 8, 196, 8, 0, "NOT_FOUND"),
        (STATIC, -1, 36, 40, 131, 8, 0, "SELECT"),
        (EDIT, 1000, 36, 52, 196, 12, WS_BORDER | ES_AUTOHSCROLL, None),
        (BUTTON, 1001, 36, 68, 50, 14, 0, "BROWSE"),
        (STATIC, 1002, 36, 90, 196, 16, 0, "NOTE"),
        (BUTTON, 1, 64, 128, 50, 14, BS_DEFPUSHBUTTON, "OK"),
        (BUTTON, 2, 130, 128, 50, 14, 0, "CANCEL")]),
    103: ((235, 84), False, [
        (STATIC, -1, 8, 8, 20, 20, SS_ICON, "ICON"),
        (STATIC, 1002, 38, 8, 183, 28, 0, None),
        (BUTTON, 2, 176, 54, 50, 14, 0, "CANCEL"),
        ("msctls_progress32", 1003, 11, 57, 160, 9, WS_BORDER, None),
        (STATIC, 1004, 12, 42, 212, 8, 0, None)]),
    105: ((218, 77), True, [
        (STATIC, -1, 8, 8, 20, 20, SS_ICON, "ICON"),
        (STATIC, -1, 36, 8, 174, 32, 0, "BUNDLED"),
        (BUTTON, 1, 51, 56, 50, 14, BS_DEFPUSHBUTTON, "OK"),
        (BUTTON, 2, 117, 56, 50, 14, 0, "CANCEL")]),
    106: ((218, 78), True, [
        (STATIC, -1, 8, 8, 20, 20, SS_ICON, "ICON"),
        (STATIC, -1, 36, 8, 174, 24, 0, "ABORT"),
        (BUTTON, 1, 51, 56, 50, 14, BS_DEFPUSHBUTTON, "OK"),
        (BUTTON, 2, 117, 56, 50, 14, 0, "CANCEL")]),
}


# --------------------------------------------------------------------------
# The checks


@pytest.fixture(scope="module", params=EXECUTABLES, ids=["win64", "win32"])
def resources(request):
    if not request.param.is_file():
        pytest.fail(f"{request.param} is missing: build it first (make)")
    return read_resources(request.param)


def test_every_language_carries_the_english_string_ids_but_31(resources):
    english = set(source_strings(ENGLISH))
    assert set(range(8, 74)) >= english and {8, 31, 72, 73} <= english
    for language in LANGUAGES:
        expected = english if language == ENGLISH else english - {31}
        assert set(string_table(resources, language)) == expected, language


def test_strings_arrive_as_their_utf8_sources_say(resources):
    for language in LANGUAGES:
        assert string_table(resources, language) == source_strings(language), language
    # Spot checks that the conversion is really UTF-8 to UTF-16.
    assert string_table(resources, ENGLISH)[72].startswith("Varnica\u00ae is preparing")
    assert string_table(resources, 1031)[43] == "Gr\u00f6\u00dfe"
    assert string_table(resources, 1041)[71] == "JVM \u3092\u691c\u7d22\u4e2d..."
    assert "\r\n" in string_table(resources, 1028)[39]


def test_no_translation_is_an_english_copy_by_accident(resources):
    english = string_table(resources, ENGLISH)
    english_dialogs = source_dialog_texts(ENGLISH)
    for language in LANGUAGES:
        if language == ENGLISH:
            continue
        allowed = SAME_AS_ENGLISH.get(language, set())
        texts = string_table(resources, language)
        copies = {str(i) for i in texts if i != 8 and texts[i] == english[i]}
        dialogs = source_dialog_texts(language)
        copies |= {key for key in dialogs if dialogs[key] == english_dialogs[key]}
        assert copies <= allowed, (language, sorted(copies - allowed))
        assert texts[8] == english[8]  # the message title is a name


def test_translations_keep_the_blanks_and_line_ends_the_log_shapes_rely_on(resources):
    english = string_table(resources, ENGLISH)
    for language in LANGUAGES:
        for ident, text in string_table(resources, language).items():
            assert text.endswith(" ") == english[ident].endswith(" "), (language, ident)
            assert text.endswith("\r\n") == english[ident].endswith("\r\n"), (language, ident)


def test_the_four_dialogs_have_the_same_layout_in_every_language(resources):
    for language in LANGUAGES:
        texts = source_dialog_texts(language)
        for template, (size, system_menu, expected) in TEMPLATES.items():
            raw = resources.get((RT_DIALOG, template, language))
            assert raw is not None, (language, template)
            dialog = parse_dialog(raw)
            where = (language, template)
            assert dialog["size"] == size, where
            assert dialog["caption"] == "Varnica Wizard", where
            assert dialog["font"] == (8, "MS Sans Serif"), where
            frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION
            assert dialog["style"] & frame == frame, where
            assert bool(dialog["style"] & WS_SYSMENU) == system_menu, where
            assert len(dialog["controls"]) == len(expected), where
            for control, (kind, ident, x, y, w, h, bits, key) in zip(dialog["controls"], expected):
                assert (control["kind"], control["id"]) == (kind, ident), where
                assert (control["x"], control["y"], control["w"], control["h"]) == (x, y, w, h), (
                    where, ident)
                assert control["style"] & bits == bits, (where, ident)
                if key == "ICON":
                    assert control["text"] == 128, where
                elif key == "NOTE":
                    assert control["text"] == texts[key] + DOWNLOAD_PAGE, where
                elif key:
                    assert control["text"] == texts[key], (where, key)


def test_icon_animation_and_version_are_carried(resources):
    for language in LANGUAGES:
        group = resources.get((RT_GROUP_ICON, 128, language))
        assert group is not None, language
        count = struct.unpack_from("<H", group, 4)[0]
        sizes = []
        for index in range(count):
            width, _, _, _, _, bits, _, icon = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * index)
            assert any(key[:2] == (RT_ICON, icon) for key in resources), (language, icon)
            sizes.append(width)
        assert sorted(sizes) == [16, 32, 48], language
        animation = resources.get(("AVI", 109, language))
        assert animation is not None, language
        assert animation[:4] == b"RIFF" and animation[8:12] == b"AVI "
        assert struct.unpack_from("<I", animation, 4)[0] + 8 == len(animation)
    version = [raw for key, raw in resources.items() if key[0] == RT_VERSION]
    assert len(version) == 1
    assert "launcher.exe".encode("utf-16-le") in version[0]
