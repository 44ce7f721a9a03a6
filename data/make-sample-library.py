#!/usr/bin/env python3
"""Writes the KEL-DORVAN sample apparatus library into data/sample-library/.

The seven files are Windows-1252 text, one table row per line, values separated
by commas, lines ending in CR LF. Every row has exactly its table's width; the
column lists below name every position so that a row can be read against them.

Usage: make-sample-library.py [--scale N] [OUTPUT_DIR]
       (default: sample-library beside this script)

With --scale N the library holds N copies of the sample, for measuring the
program on large libraries: copy 1 is the sample itself; every further copy has
identifiers of its own, continuing the sample's numbering, and appends " #k" to
the names that identify an apparatus (configuration, channel, strip and model
names), so that every copy is listed and imported as apparatuses of their own.
Manufacturers, strip types and terminal colours stay shared, as in a real
export.
"""

import argparse
import os
import sys

ENCODING = "cp1252"
LINE_END = "\r\n"

# Identifiers of the exporting installation; the importer replaces them with the
# target domain's own, but an export always carries them.
PROJ = "27"
SITE = "1"
MM = "3"  # unit-of-measure id for millimetres in the exporting database

MFR = "KEL-DORVAN"
MFR_DESC = "KEL-DORVAN fieldbus apparatus"
SURGE_MFR = "KEL-DORVAN SurgeLine"
SURGE_MFR_DESC = "KEL-DORVAN lightning and surge protection"


class Table:
    """One library file: a fixed column list with defaults, and its rows."""

    def __init__(self, name, columns):
        self.name = name
        self.columns = [c for c, _ in columns]
        self.defaults = dict(columns)
        if len(set(self.columns)) != len(self.columns):
            raise SystemExit(f"{name}: duplicate column name")
        self.rows = []

    @property
    def width(self):
        return len(self.columns)

    def pos(self, column):
        return self.columns.index(column)

    def add(self, **values):
        unknown = set(values) - set(self.columns)
        if unknown:
            raise SystemExit(f"{self.name}: unknown columns {sorted(unknown)}")
        row = [values.get(c, self.defaults[c]) for c in self.columns]
        for v in row:
            if not isinstance(v, str):
                raise SystemExit(f"{self.name}: non-text value {v!r}")
            if "," in v or "\r" in v or "\n" in v:
                raise SystemExit(f"{self.name}: value {v!r} cannot be stored")
            if v != v.strip(" "):
                raise SystemExit(f"{self.name}: value {v!r} would lose its blanks on loading")
        self.rows.append(row)
        return row

    def text(self):
        return "".join(",".join(row) + LINE_END for row in self.rows)


def expect_positions(table, expected):
    """Guards the column lists against an insertion that shifts the columns the tool reads."""
    for pos, column in expected.items():
        if table.pos(column) != pos:
            raise SystemExit(f"{table.name}: {column} is at {table.pos(column)}, expected {pos}")


# ---------------------------------------------------------------------------
# Column lists (name, default). Only some columns are read on import; the rest
# are exported as they stood in the vendor's database.

STRIP_CONFIG = Table("StripConfig", [
    ("STRIP_CONFIG_ID", ""), ("PROJ_ID", PROJ), ("SITE_ID", SITE), ("CHG_NUM", "0"),
    ("CHG_STATUS", "W"), ("CHG_DATE", ""), ("USER_NAME", ""), ("STRIP_CONFIG_NAME", ""),
    ("STRIP_CONFIG_DESC", ""), ("STRIP_NAME_DEFAULT", ""), ("TERM_COUNT", ""),
    ("FIRST_TERM", "1"), ("FIRST_CHN_NO", "1"), ("TERM_IN_CHN", "3"), ("TERM_MFR_ID", "41"),
    ("TERM_MOD_ID", ""), ("HARDWARE_COUNT", "1"), ("CONFIG_TYPE", "F"),
    ("STRIP_CATEGORY", "1"), ("TERMINATOR_FLG", "N"), ("PREFIX", ""), ("NUMBERED", "Y"),
    ("TERM_MFR_NAME", MFR), ("TERM_MOD_NAME", ""), ("TERM_HEIGHT", ""),
    ("HEIGHT_UOM_ID", MM), ("TERM_WIDTH", ""), ("WIDTH_UOM_ID", MM), ("TERM_DEPTH", ""),
    ("DEPTH_UOM_ID", MM), ("TERM_MOD_DESC", ""), ("TERM_MFR_DESC", MFR_DESC),
    ("MFR_USER_NAME", "hkessler"), ("MFR_CHG_DATE", "02-Jan-24"), ("MOD_USER_NAME", ""),
    ("MOD_CHG_DATE", ""),
])

STRIP_CONFIG_TERM = Table("StripConfigTerm", [
    ("STRIP_CONFIG_ID", ""), ("STRIP_CONFIG_TERM_ID", ""), ("PROJ_ID", PROJ),
    ("SITE_ID", SITE), ("CHG_NUM", "0"), ("CHG_STATUS", "W"), ("CHG_DATE", ""),
    ("USER_NAME", ""), ("TERM_CFG_PREFIX", ""), ("TERM_CFG_SUFFIX", ""),
    ("INCREMENTED_FLG", "Y"), ("NUMBERED_FLG", "Y"), ("TERM_COLOR_LEFT_ID", ""),
    ("TERM_COLOR_RIGHT_ID", ""), ("TERM_HW_FLG", "N"), ("CHANNEL_LEFT", ""),
    ("CHANNEL_RIGHT", ""), ("FUNC_LEFT", ""), ("FUNC_RIGHT", ""), ("POLARITY_LEFT", ""),
    ("POLARITY_RIGHT", ""), ("TERM_NUM", ""),
])

TERMINAL_COLORS = Table("TerminalColors", [
    ("TERM_COLOR_ID", ""), ("TERM_COLOR_NAME", ""), ("TERM_COLOR_VALUE", ""),
    ("TERM_COLOR_DESC", ""), ("USER_NAME", "hkessler"), ("CHG_DATE", "02-Jan-24"),
])

PANEL_STRIP = Table("PanelStrip", [
    ("PANEL_ID", "880"), ("STRIP_ID", ""), ("PROJ_ID", PROJ), ("SITE_ID", SITE),      # 0-3
    ("CHG_NUM", "0"), ("PLANT_ID", "2"), ("USER_NAME", ""), ("CHG_STATUS", "W"),      # 4-7
    ("CHG_DATE", ""), ("STRIP_MFR_ID", "0"), ("STRIP_MOD_ID", "0"),                   # 8-10
    ("STRIP_TYPE_ID", "0"), ("STRIP_NAME", ""), ("DIMENSIONS", ""), ("MOUNTING", ""),  # 11-14
    ("DEF_FLG", "Y"), ("RACK_ID", "0"), ("PANEL_STRIP_SEQ", ""),                      # 15-17
    ("CMPNT_SYS_IO_TYPE_ID", "0"), ("POSITION", "0"), ("CONTROLLER_ID", "0"),         # 18-20
    ("APPAR_ID", "0"), ("CHANNEL_ID", "0"), ("REMOTE_PANEL_ID", "0"),                 # 21-23
    ("SEC_REMOTE_PANEL_ID", "0"), ("SEC_RACK_ID", "0"), ("SEC_POSITION", "-1"),       # 24-26
    ("SEC_DOUBLE_FLG", "0"), ("ENG_PROJ_ID", "10"), ("ENG_REF_ID", "10"),             # 27-29
    ("DOUBLE_FLAG", "0"), ("REMOTE_FLG", "0"), ("REDUNDANT_FLG", "0"),                # 30-32
    ("SEC_REMOTE_SYS_CABLE", "0"), ("AREA_ID", "3"), ("UNIT_ID", "5"),               # 33-35
    ("DWG_ID", "0"), ("REV_ID", "0"), ("WIRE_GROUP_ID", "0"), ("CMPNT_FUNC_TYPE_ID", "0"),
    ("LOC_ID", "0"), ("IO_TYPE_ID", "0"), ("SLOT_NUM", "0"), ("CARD_TYPE_ID", "0"),    # 40-43
    ("SPARE_FLG", "N"), ("STRIP_NOTE", ""), ("TC_NET_CLS_ID", "0"),                   # 44-46
    ("TC_SUB_SYS_ID", "0"), ("IS_CERT", "F"), ("CERT_NUM", ""), ("MAX_VOLT", "0"),    # 47-50
    ("MAX_CURRENT", "0"), ("MAX_POWER", "0"), ("NUM_OF_TERMS", ""),                   # 51-53
    ("HAZ_AREA_FLG", "N"), ("STRIP_CATEGORY", "1"), ("STRIP_ORIENT", "V"),            # 54-56
    ("RAIL", "TS35"), ("RAIL_POS", "0"), ("CABLE_ENTRY", "B"), ("SHIELD_BAR_FLG", "N"),  # 57-60
    ("EARTH_BAR_FLG", "N"), ("FUSE_FLG", "N"), ("LABEL_TEXT", ""), ("LABEL_COLOR", ""),  # 61-64
    ("MARSH_FLG", "0"), ("CROSS_WIRE_FLG", "0"), ("SORT_SEQ", "0"),                   # 65-67
    ("TAG_CLASS_ID", "0"), ("CMPNT_CRITICAL_ID", "0"), ("PARENT_STRIP_ID", "0"),      # 68-70
    ("CONNECTION_FLG", "B"), ("POWER_SUPPLY_TYPE_FLAG", "A"), ("EXPORT_FLG", "Y"),    # 71-73
    ("STRIP_MFR_NAME", MFR), ("STRIP_TYPE_NAME", ""), ("STRIP_MOD_NAME", ""),         # 74-76
    ("STRIP_MOD_DESC", ""), ("STRIP_MNT", ""), ("STRIP_HEIGHT", ""),                  # 77-79
    ("HEIGHT_UOM_ID", MM), ("STRIP_WIDTH", ""), ("WIDTH_UOM_ID", MM),                 # 80-82
    ("STRIP_DEPTH", ""), ("DEPTH_UOM_ID", MM), ("STRIP_RAIL_SIZE", "35"),             # 83-85
    ("RAIL_UOM_ID", MM), ("STRIP_MFR_DESC", MFR_DESC), ("MFR_USER_NAME", "hkessler"),  # 86-88
    ("MFR_CHG_DATE", "02-Jan-24"), ("MOD_USER_NAME", ""), ("MOD_CHG_DATE", ""),       # 89-91
    ("TYPE_USER_NAME", "rweisz"), ("TYPE_CHG_DATE", "28-Nov-23"),                     # 92-93
])

CHANNEL = Table("Channel", [
    ("PANEL_ID", "880"), ("STRIP_ID", ""), ("CHANNEL_ID", ""), ("CHANNEL_NAME", ""),  # 0-3
    ("PROJ_ID", PROJ), ("SITE_ID", SITE), ("CHG_NUM", "0"), ("USER_NAME", ""),        # 4-7
    ("CHG_STATUS", "W"), ("CHG_DATE", ""), ("PLANT_ID", "2"), ("DEF_FLG", "Y"),       # 8-11
    ("AREA_ID", "3"), ("UNIT_ID", "5"), ("ENG_PROJ_ID", "10"), ("ENG_REF_ID", "10"),  # 12-15
    ("CHANNEL_TYPE_ID", "0"), ("CMPNT_ID", "0"), ("CABLE_ID", "0"), ("WIRE_SET_ID", "0"),
    ("PAIR_ID", "0"), ("LOOP_ID", "0"), ("IO_TYPE_ID", "0"), ("CARD_ID", "0"),        # 20-23
    ("RACK_ID", "0"), ("SLOT_NUM", "0"), ("PORT_NUM", "0"), ("REDUNDANT_FLG", "0"),   # 24-27
    ("SPARE_FLG", "N"), ("IS_SAFE_FLG", "N"), ("NOTE", ""), ("REV_ID", "0"),          # 28-31
    ("DWG_ID", "0"), ("CHANNEL_TYPE", "FF"), ("CHANNEL_CATEGORY", "H1"),              # 32-34
    ("APPAR_ID", "0"), ("CHANNEL_DESC", ""), ("CHANNEL_SEQ", ""),                     # 35-37
    ("SIGNAL_LEVEL", "24 V DC"), ("MAX_CURRENT", "0"), ("CURRENT_UOM", "mA"),         # 38-40
    ("POWERED_FLG", "Y"), ("TERMINATOR_FLG", "N"), ("SHIELD_FLG", "Y"),               # 41-43
    ("EARTH_FLG", "N"), ("SEGMENT_NUM", "1"), ("POLARITY_SENS_FLG", "N"),             # 44-46
    ("CROSS_WIRE_FLG", "0"), ("SIGNAL_TYPE_ID", "7"), ("PRIMARY_APPAR_ID", "0"),      # 47-49
    ("SECONDARY_APPAR_ID", "0"), ("TERM_MFR_NAME", MFR), ("TERM_MOD_NAME", ""),       # 50-52
    ("TERM_HEIGHT", ""), ("HEIGHT_UOM_ID", MM), ("TERM_WIDTH", ""),                   # 53-55
    ("WIDTH_UOM_ID", MM), ("TERM_DEPTH", ""), ("DEPTH_UOM_ID", MM),                   # 56-58
    ("TERM_MOD_DESC", ""), ("TERM_MFR_DESC", MFR_DESC), ("CHANNEL_SIDE", "1"),        # 59-61
    ("CONNECTOR_ID", "0"), ("MFR_USER_NAME", "hkessler"), ("MFR_CHG_DATE", "02-Jan-24"),
    ("MOD_USER_NAME", ""), ("MOD_CHG_DATE", ""),                                      # 65-66
])

PANEL_STRIP_TERM = Table("PanelStripTerm", [
    ("PANEL_ID", "880"), ("STRIP_ID", ""), ("TERM_ID", ""), ("PROJ_ID", PROJ),        # 0-3
    ("SITE_ID", SITE), ("CHG_NUM", "0"), ("USER_NAME", ""), ("CHG_STATUS", "W"),      # 4-7
    ("CHG_DATE", ""), ("TERM_SEQ", ""), ("TERM_NUM", ""), ("TERM_TYPE_ID", "0"),      # 8-11
    ("TERM_MFR_ID", "41"), ("TERM_MOD_ID", ""), ("TERM_COLOR_ID", ""),                # 12-14
    ("AREA_ID", "3"), ("PLANT_ID", "2"), ("UNIT_ID", "5"), ("DEF_FLG", "Y"),          # 15-18
    ("CMPNT_ID", "0"), ("CHANNEL_ID", ""), ("TERM_SPLIT_FLG", "N"),                   # 19-21
    ("TERM_SEC_NAME", ""), ("WIRE_ID", "0"), ("WIRE_LEFT_ID", "0"),                   # 22-24
    ("WIRE_RIGHT_ID", "0"), ("CABLE_LEFT_ID", "0"), ("CABLE_RIGHT_ID", "0"),          # 25-27
    ("JUMPER_LEFT_ID", "0"), ("JUMPER_RIGHT_ID", "0"), ("BRIDGE_FLG", "N"),           # 28-30
    ("SPARE_FLG", "N"), ("FUSE_FLG", "N"), ("FUSE_RATING", ""), ("DISCONNECT_FLG", "N"),
    ("TEST_FLG", "N"), ("LABEL_TEXT", ""), ("NOTE", ""), ("REV_ID", "0"),             # 35-38
    ("DWG_ID", "0"), ("LEVEL_NUM", "1"), ("SIDE_FLG", "B"), ("ROW_NUM", "1"),         # 39-42
    ("HW_POS_ID", "0"), ("TERM_HW_FLG", "N"), ("TERM_COLOR_RIGHT_ID", ""),            # 43-45
    ("CROSS_WIRE_FLG", "0"), ("ENG_PROJ_ID", "10"), ("ENG_REF_ID", "10"),             # 46-48
    ("PORT_RIGHT_ID", "0"), ("PORT_LEFT_ID", "0"), ("PIN_RIGHT_ID", "0"),             # 49-51
    ("PIN_LEFT_ID", "0"), ("POLARITY_RIGHT", ""), ("POLARITY_LEFT", ""),              # 52-54
    ("FUNC_LEFT", ""), ("FUNC_RIGHT", ""), ("SIGNAL_LEVEL", ""), ("SHIELD_FLG", "N"),  # 55-58
    ("EARTH_FLG", "N"), ("IS_SAFE_FLG", "N"), ("TERM_SOURCE_ID", "0"),                # 59-61
    ("TERM_SOURCE_FLG", "L"), ("SORT_SEQ", "0"), ("TAG_CLASS_ID", "0"),               # 62-64
    ("MARSH_FLG", "0"), ("LINK_TERM_ID", "0"), ("EXPORT_FLG", "Y"), ("CERT_NUM", ""),  # 65-68
])

EXPORT_VERSION = Table("ExportVersion", [("EXPORT_VERSION", "3.0")])

expect_positions(STRIP_CONFIG, {0: "STRIP_CONFIG_ID", 6: "USER_NAME", 8: "STRIP_CONFIG_DESC",
                                20: "PREFIX", 22: "TERM_MFR_NAME", 23: "TERM_MOD_NAME",
                                29: "DEPTH_UOM_ID", 35: "MOD_CHG_DATE"})
expect_positions(STRIP_CONFIG_TERM, {0: "STRIP_CONFIG_ID", 12: "TERM_COLOR_LEFT_ID",
                                     13: "TERM_COLOR_RIGHT_ID", 21: "TERM_NUM"})
expect_positions(PANEL_STRIP, {1: "STRIP_ID", 4: "CHG_NUM", 12: "STRIP_NAME", 17: "PANEL_STRIP_SEQ",
                               55: "STRIP_CATEGORY", 57: "RAIL", 74: "STRIP_MFR_NAME",
                               76: "STRIP_MOD_NAME", 86: "RAIL_UOM_ID", 93: "TYPE_CHG_DATE"})
expect_positions(CHANNEL, {1: "STRIP_ID", 2: "CHANNEL_ID", 14: "ENG_PROJ_ID",
                           34: "CHANNEL_CATEGORY", 36: "CHANNEL_DESC", 42: "TERMINATOR_FLG",
                           48: "SIGNAL_TYPE_ID", 51: "TERM_MFR_NAME", 52: "TERM_MOD_NAME",
                           61: "CHANNEL_SIDE", 66: "MOD_CHG_DATE"})
expect_positions(PANEL_STRIP_TERM, {9: "TERM_SEQ", 10: "TERM_NUM", 14: "TERM_COLOR_ID",
                                    20: "CHANNEL_ID", 22: "TERM_SEC_NAME", 43: "HW_POS_ID",
                                    44: "TERM_HW_FLG", 45: "TERM_COLOR_RIGHT_ID",
                                    61: "TERM_SOURCE_ID", 68: "CERT_NUM"})
for table, width in ((STRIP_CONFIG, 36), (STRIP_CONFIG_TERM, 22), (TERMINAL_COLORS, 6),
                     (PANEL_STRIP, 94), (CHANNEL, 67), (PANEL_STRIP_TERM, 69)):
    if table.width != width:
        raise SystemExit(f"{table.name}: {table.width} columns, expected {width}")


# ---------------------------------------------------------------------------
# Terminal colours. Values are Windows colour references (red + 256 * green +
# 65536 * blue), which is what the vendor's database stores.

def rgb(r, g, b):
    return str(r + 256 * g + 65536 * b)


BLACK, BLUE, BROWN, GREY, ORANGE, GREEN_YELLOW, RED, WHITE, LIGHT_BLUE = (
    "301", "302", "303", "304", "305", "306", "307", "308", "309")

for key, name, value, desc, user, date in [
    (BLACK, "Black", rgb(0, 0, 0), "Negative conductor", "hkessler", "02-Jan-24"),
    (BLUE, "Blue", rgb(0, 0, 255), "Intrinsically safe circuits", "hkessler", "02-Jan-24"),
    (BROWN, "Brown", rgb(150, 75, 0), "Positive conductor", "hkessler", "02-Jan-24"),
    (GREY, "Grey", rgb(128, 128, 128), "Cable screen", "rweisz", "28-Nov-23"),
    (ORANGE, "Orange", rgb(255, 128, 0), "External supply", "rweisz", "28-Nov-23"),
    (GREEN_YELLOW, "Green-Yellow", rgb(128, 192, 0), "Schutzleiter grün-gelb", "m.ortega-lind",
     "09-Jul-24"),
    (RED, "Red", rgb(255, 0, 0), "Alarm contacts", "m.ortega-lind", "09-Jul-24"),
    (WHITE, "White", rgb(255, 255, 255), "Marker body", "hkessler", "17-Feb-25"),
    (LIGHT_BLUE, "Bleu clair", rgb(173, 216, 230), "Écran Ex ia", "m.ortega-lind", "17-Feb-25"),
]:
    TERMINAL_COLORS.add(TERM_COLOR_ID=key, TERM_COLOR_NAME=name, TERM_COLOR_VALUE=value,
                        TERM_COLOR_DESC=desc, USER_NAME=user, CHG_DATE=date)


# ---------------------------------------------------------------------------
# Configurations. Terminal rows are listed per configuration and then laid out
# in table order by config_term_order(), which interleaves two of them.

# Terminal kinds: (func, polarity, left colour, right colour)
PLUS = ("FF+", "+", BROWN, WHITE)
MINUS = ("FF-", "-", BLACK, WHITE)
SHIELD = ("SH", "S", GREY, GREY)            # equal colour keys on both sides
EXI_PLUS = ("FF+", "+", BLUE, LIGHT_BLUE)
EXI_MINUS = ("FF-", "-", BLUE, WHITE)
PWR_PLUS = ("24V+", "+", ORANGE, WHITE)
PWR_MINUS = ("24V-", "-", BLACK, ORANGE)
ALARM = ("ALM", "", RED, RED)
EARTH = ("PE", "", GREEN_YELLOW, GREEN_YELLOW)

configs = []          # (StripConfig values, [StripConfigTerm values...])
next_cfg_term_id = 2001


def config(terms, **values):
    """terms: list of (channel, kind, term_num, prefix, suffix)."""
    global next_cfg_term_id
    cid = values["STRIP_CONFIG_ID"]
    user = values.get("USER_NAME", "hkessler")
    # Only the configuration row carries the over-long user name; its terminals keep
    # the exporter's short login so that the library holds exactly one such name.
    if len(user) > 30:
        user = "fvanderhoven"
    date = values["CHG_DATE"]
    rows = []
    for channel, (func, pol, left, right), num, prefix, suffix in terms:
        rows.append(dict(
            STRIP_CONFIG_ID=cid, STRIP_CONFIG_TERM_ID=str(next_cfg_term_id),
            CHG_NUM=values.get("CHG_NUM", "0"), CHG_DATE=date,
            USER_NAME=user,
            TERM_CFG_PREFIX=prefix, TERM_CFG_SUFFIX=suffix, TERM_COLOR_LEFT_ID=left,
            TERM_COLOR_RIGHT_ID=right, CHANNEL_LEFT=channel, CHANNEL_RIGHT=channel,
            FUNC_LEFT=func, FUNC_RIGHT=func, POLARITY_LEFT=pol, POLARITY_RIGHT=pol,
            TERM_NUM=num))
        next_cfg_term_id += 1
    values.setdefault("TERM_COUNT", str(len(terms)))
    values.setdefault("TERM_MOD_ID", str(int(cid) - 1000 + 410))
    values.setdefault("STRIP_NAME_DEFAULT", values["TERM_MOD_NAME"].split()[0] + "-1")
    configs.append((values, rows))


def fieldbus_terms(channels, kinds, prefix="", suffix=""):
    terms = []
    for ch in range(1, channels + 1):
        for kind, mark in zip(kinds, ("+", "-", "S")):
            terms.append((str(ch), kind, f"{ch}{mark}", prefix, suffix))
    return terms


# 1: four-spur segment protector.
config(fieldbus_terms(2, (PLUS, MINUS, SHIELD), prefix="T"),
       STRIP_CONFIG_ID="1001", CHG_NUM="2", CHG_DATE="14-Mar-25", USER_NAME="hkessler",
       STRIP_CONFIG_NAME="SP4 segment protector",
       STRIP_CONFIG_DESC="Segment protector 4 spurs 40 mA short-circuit limit R3",
       HARDWARE_COUNT="4", PREFIX="SP4", TERM_MOD_NAME="KD-SP4 Segment Protector",
       TERM_HEIGHT="97.5", TERM_WIDTH="45", TERM_DEPTH="112.2",
       TERM_MOD_DESC="Segment protector 4 spur DIN rail", MOD_USER_NAME="rweisz",
       MOD_CHG_DATE="14-Mar-25")

# 2: eight-spur segment protector (terminals interleaved with configuration 3).
config(fieldbus_terms(3, (PLUS, MINUS, SHIELD)),
       STRIP_CONFIG_ID="1002", CHG_NUM="1", CHG_DATE="09-Jul-24", USER_NAME="m.ortega-lind",
       STRIP_CONFIG_NAME="SP8 segment protector",
       STRIP_CONFIG_DESC="Segment protector 8 spurs trunk-powered R5",
       HARDWARE_COUNT="8", PREFIX="SP8", TERM_MOD_NAME="KD-SP8 Segment Protector",
       TERM_HEIGHT="97.5", TERM_WIDTH="90", TERM_DEPTH="112.2",
       TERM_MOD_DESC="Segment protector 8 spur DIN rail", MOD_USER_NAME="m.ortega-lind",
       MOD_CHG_DATE="09-Jul-24")

# 3: power conditioner; apostrophes in names, lower-case revision, disabled prefix.
config([("1", PWR_PLUS, "1+", "P", "A"), ("1", PWR_MINUS, "1-", "P", "A"),
        ("2", PLUS, "2+", "H", ""), ("2", MINUS, "2-", "H", ""), ("2", SHIELD, "2S", "H", ""),
        ("3", ALARM, "3", "", "")],
       STRIP_CONFIG_ID="1003", CHG_DATE="30-Sep-24", USER_NAME="ANNA.OYELARAN",
       STRIP_CONFIG_NAME="Conditionneur d'alimentation",
       STRIP_CONFIG_DESC="Conditionneur d'alimentation 24 V 500 mA r2",
       TERM_IN_CHN="2", CONFIG_TYPE="P", STRIP_CATEGORY="2",
       PREFIX="disabled-strip_config.prefix", NUMBERED="N",
       TERM_MOD_NAME="KD-PC24 d'alimentation 24 V", TERM_HEIGHT="110", TERM_WIDTH="22.5",
       TERM_DEPTH="115", TERM_MOD_DESC="Module d'alimentation bus de terrain",
       MOD_USER_NAME="ANNA.OYELARAN", MOD_CHG_DATE="30-Sep-24")

# 4: field barrier; model name too long for the apparatus list's name column.
config(fieldbus_terms(2, (EXI_PLUS, EXI_MINUS, SHIELD), prefix="X", suffix="i"),
       STRIP_CONFIG_ID="1004", CHG_NUM="3", CHG_DATE="21-Oct-24", USER_NAME="tbrannigan",
       STRIP_CONFIG_NAME="FB6 field barrier",
       STRIP_CONFIG_DESC="Field barrier 6 spurs Ex ia IIC -40 to +70 °C R7",
       HARDWARE_COUNT="6", STRIP_CATEGORY="3", PREFIX="FB",
       TERM_MOD_NAME="KD-FB6 Field Barrier Ex ia 6 Spur Zone 1",
       TERM_HEIGHT="128", TERM_WIDTH="160", TERM_DEPTH="92.4",
       TERM_MOD_DESC="Field barrier enclosure mount Zone 1", MOD_USER_NAME="tbrannigan",
       MOD_CHG_DATE="21-Oct-24")

# 5: plug-in terminator; no revision mark, model without dimensions.
config([("1", PLUS, "1+", "", ""), ("1", MINUS, "1-", "", ""), ("1", SHIELD, "1S", "", "")],
       STRIP_CONFIG_ID="1005", CHG_DATE="05-Jun-23", USER_NAME="rweisz",
       STRIP_CONFIG_NAME="Bus terminator",
       STRIP_CONFIG_DESC="Fieldbus terminator 100 Ohm + 1 µF",
       TERMINATOR_FLG="Y", PREFIX="T", NUMBERED="N", TERM_MOD_NAME="KD-TRM Terminator",
       HEIGHT_UOM_ID="", WIDTH_UOM_ID="", DEPTH_UOM_ID="",
       TERM_MOD_DESC="Plug-in terminator", MOD_USER_NAME="rweisz", MOD_CHG_DATE="05-Jun-23")

# 6: repeater; a two-digit revision, which the apparatus list cannot show.
config(fieldbus_terms(2, (PLUS, MINUS, SHIELD), prefix="R"),
       STRIP_CONFIG_ID="1006", CHG_DATE="11-Dec-24", USER_NAME="dkowalik",
       STRIP_CONFIG_NAME="RP2 repeater",
       STRIP_CONFIG_DESC="Segment repeater with galvanic isolation R10",
       HARDWARE_COUNT="2", PREFIX="RP", TERM_MOD_NAME="KD-RP2 Repeater",
       TERM_HEIGHT="100", TERM_WIDTH="35", TERM_DEPTH="120.5",
       TERM_MOD_DESC="Two-segment repeater", MOD_USER_NAME="dkowalik", MOD_CHG_DATE="11-Dec-24")

# 7: surge protector; exported by a user whose name exceeds the 30-character column.
config([("1", PLUS, "1+", "S", ""), ("1", MINUS, "1-", "S", ""), ("1", SHIELD, "1S", "S", ""),
        ("1", EARTH, "PE", "", "")],
       STRIP_CONFIG_ID="1007", CHG_DATE="03-Apr-25",
       USER_NAME="Friederike Vanderhoven-Castellane",
       STRIP_CONFIG_NAME="SPD trunk surge protector",
       STRIP_CONFIG_DESC="Surge protector for H1 trunk 24 V R1",
       TERM_IN_CHN="4", CONFIG_TYPE="S", PREFIX="SPD", TERM_MFR_ID="44",
       TERM_MFR_NAME=SURGE_MFR, TERM_MFR_DESC=SURGE_MFR_DESC,
       TERM_MOD_NAME="KD-SPD Surge Protector H1", TERM_HEIGHT="90", TERM_WIDTH="12",
       TERM_DEPTH="68", TERM_MOD_DESC="Trunk surge protector 10 kA", MFR_USER_NAME="dkowalik",
       MFR_CHG_DATE="26-Aug-24", MOD_USER_NAME="dkowalik", MOD_CHG_DATE="03-Apr-25")

# 8: redundant power conditioner.
config([("1", PWR_PLUS, "A+", "", ""), ("1", PWR_MINUS, "A-", "", ""),
        ("2", PWR_PLUS, "B+", "", ""), ("2", PWR_MINUS, "B-", "", ""),
        ("3", ALARM, "11", "", ""), ("3", ALARM, "12", "", "")],
       STRIP_CONFIG_ID="1008", CHG_NUM="4", CHG_DATE="19-May-25", USER_NAME="hkessler",
       STRIP_CONFIG_NAME="PC48 redundant power",
       STRIP_CONFIG_DESC="Redundant power conditioner 4 segments R9",
       TERM_IN_CHN="2", HARDWARE_COUNT="2", CONFIG_TYPE="P", STRIP_CATEGORY="2",
       PREFIX="PC", TERM_MOD_NAME="KD-PC48 Power Conditioner", TERM_HEIGHT="110",
       TERM_WIDTH="45", TERM_DEPTH="115", TERM_MOD_DESC="Redundant supply 4 x 500 mA",
       MOD_USER_NAME="hkessler", MOD_CHG_DATE="19-May-25")


def config_term_order():
    """Table order of the configuration terminals: configurations 2 and 3 alternate."""
    by_id = {c["STRIP_CONFIG_ID"]: terms for c, terms in configs}
    order = list(by_id["1001"])
    a, b = list(by_id["1002"]), list(by_id["1003"])
    while a or b:
        if a:
            order.append(a.pop(0))
        if b:
            order.append(b.pop(0))
    for cid in ("1004", "1005", "1006", "1007", "1008"):
        order.extend(by_id[cid])
    return order


for values, _ in configs:
    STRIP_CONFIG.add(**values)
for term in config_term_order():
    STRIP_CONFIG_TERM.add(**term)


# ---------------------------------------------------------------------------
# Reference strips, their channels and terminals.

STRIP_MFR_IDS = {MFR: "51", SURGE_MFR: "52", "": "0"}  # the exporter's own identifiers
STRIP_TYPE_IDS = {}
next_channel_id = 6001
next_term_id = 7001


def strip(channels, **values):
    """channels: list of (channel values, [terminal values...])."""
    global next_channel_id, next_term_id
    sid = values["STRIP_ID"]
    values.setdefault("NUM_OF_TERMS", str(sum(len(t) for _, t in channels)))
    values.setdefault("STRIP_MFR_ID", STRIP_MFR_IDS[values.get("STRIP_MFR_NAME", MFR)])
    values.setdefault("STRIP_MOD_ID", str(int(sid) - 4400) if values["STRIP_MOD_NAME"] else "0")
    values.setdefault("STRIP_TYPE_ID", STRIP_TYPE_IDS.setdefault(values["STRIP_TYPE_NAME"],
                                                                 str(71 + len(STRIP_TYPE_IDS))))
    values.setdefault("PANEL_STRIP_SEQ", str(int(sid) - 5000))
    PANEL_STRIP.add(**values)
    seq = 1
    for number, (chan, terms) in enumerate(channels, start=1):
        cid = str(next_channel_id)
        next_channel_id += 1
        chan.setdefault("USER_NAME", values["USER_NAME"])
        chan.setdefault("CHG_DATE", values["CHG_DATE"])
        chan.setdefault("MOD_USER_NAME", chan["USER_NAME"])
        chan.setdefault("MOD_CHG_DATE", chan["CHG_DATE"])
        CHANNEL.add(STRIP_ID=sid, CHANNEL_ID=cid, CHANNEL_SEQ=str(number), **chan)
        mfr_id = "44" if chan.get("TERM_MFR_NAME") == SURGE_MFR else "41"
        for term in terms:
            term.setdefault("USER_NAME", chan["USER_NAME"])
            term.setdefault("CHG_DATE", chan["CHG_DATE"])
            PANEL_STRIP_TERM.add(STRIP_ID=sid, TERM_ID=str(next_term_id), TERM_SEQ=str(seq),
                                 CHANNEL_ID=cid, TERM_MOD_ID=str(int(cid) - 5500),
                                 TERM_MFR_ID=mfr_id, **term)
            next_term_id += 1
            seq += 1


def term(kind, num, sec, hw="N", **extra):
    func, pol, left, right = kind
    return dict(TERM_NUM=num, TERM_SEC_NAME=sec, TERM_HW_FLG=hw, TERM_COLOR_ID=left,
                TERM_COLOR_RIGHT_ID=right, FUNC_LEFT=func, FUNC_RIGHT=func, POLARITY_LEFT=pol,
                POLARITY_RIGHT=pol, **extra)


def ff_terms(n, label, hw="N", kinds=(PLUS, MINUS, SHIELD), numbers=None, **extra):
    """Plus, minus and screen terminals of one fieldbus channel."""
    numbers = numbers or (f"{n}+", f"{n}-", f"{n}S")
    secs = (f"{label}+", f"{label}-", f"{label}S")
    return [term(k, num, sec, hw, **extra) for k, num, sec in zip(kinds, numbers, secs)]


# 1: four-spur segment protector; its spur channels share a terminal model with strip 2.
strip([
    (dict(CHANNEL_NAME="TRUNK", TERM_MOD_NAME="KD-SP4 Trunk", CHG_NUM="1",
          CHANNEL_DESC="Trunk in/out 24 V H1 R4", TERM_HEIGHT="97.5", TERM_WIDTH="10.2",
          TERM_DEPTH="56", TERM_MOD_DESC="Trunk terminal pluggable"),
     [term(PLUS, "1", "S1", "R"), term(MINUS, "2", "", "R"),
      term(SHIELD, "S", "TRUNK-SHIELD", "R", SHIELD_FLG="Y")]),
    (dict(CHANNEL_NAME="SPUR1", TERM_MOD_NAME="KD-SP Spur Terminal",
          CHANNEL_DESC="Spur 1 40 mA current limit R2", TERM_HEIGHT="97.5", TERM_WIDTH="6.2",
          TERM_DEPTH="56", TERM_MOD_DESC="Spur terminal with LED"),
     ff_terms(3, "SP1", hw="R", numbers=("3", "4", "5"))),
    (dict(CHANNEL_NAME="SPUR2", TERM_MOD_NAME="KD-SP Spur Terminal",
          CHANNEL_DESC="Spur 2 40 mA current limit R2", TERM_HEIGHT="97.5", TERM_WIDTH="6.2",
          TERM_DEPTH="56", TERM_MOD_DESC="Spur terminal with LED"),
     ff_terms(6, "SP2", hw="R", numbers=("6", "7", "8"))),
], STRIP_ID="5001", CHG_NUM="2", USER_NAME="hkessler", CHG_DATE="14-Mar-25",
   STRIP_NAME="KD-SP4", DIMENSIONS="45 x 97.5 x 112.2", MOUNTING="DIN rail TS35",
   STRIP_TYPE_NAME="Segment Protector", STRIP_MOD_NAME="KD-SP4-DIN",
   STRIP_MOD_DESC="Segment protector carrier 4 spur", STRIP_MNT="TS35",
   STRIP_HEIGHT="97.5", STRIP_WIDTH="45", STRIP_DEPTH="112.2",
   MOD_USER_NAME="rweisz", MOD_CHG_DATE="14-Mar-25")

# 2: eight-spur segment protector.
strip([
    (dict(CHANNEL_NAME="TRUNK", TERM_MOD_NAME="KD-SP8 Trunk", CHG_NUM="1",
          CHANNEL_DESC="Trunk in/out 32 V H1 R6", TERM_HEIGHT="97.5", TERM_WIDTH="10.2",
          TERM_DEPTH="56", TERM_MOD_DESC="Trunk terminal pluggable"),
     ff_terms(1, "TRK", hw="R", numbers=("1", "2", "S"))),
    (dict(CHANNEL_NAME="SPUR1", TERM_MOD_NAME="KD-SP Spur Terminal",
          CHANNEL_DESC="Spur 1 60 mA current limit R2", TERM_HEIGHT="97.5", TERM_WIDTH="6.2",
          TERM_DEPTH="56", TERM_MOD_DESC="Spur terminal with LED"),
     ff_terms(1, "S1", hw="R", numbers=("S1+", "S1-", "S1S"))),
    (dict(CHANNEL_NAME="SPUR2", TERM_MOD_NAME="KD-SP Spur Terminal",
          CHANNEL_DESC="Spur 2 60 mA current limit R2", TERM_HEIGHT="97.5", TERM_WIDTH="6.2",
          TERM_DEPTH="56", TERM_MOD_DESC="Spur terminal with LED"),
     ff_terms(2, "S2", hw="R", numbers=("S2+", "S2-", "S2S"))),
    (dict(CHANNEL_NAME="SPUR8", TERM_MOD_NAME="KD-SP Spur Terminal",
          CHANNEL_DESC="Spur 8 60 mA current limit R2", TERM_HEIGHT="97.5", TERM_WIDTH="6.2",
          TERM_DEPTH="56", TERM_MOD_DESC="Spur terminal with LED"),
     ff_terms(8, "S8", hw="R", numbers=("SP8+", "SP8-", "SP8S"))),
], STRIP_ID="5002", CHG_NUM="1", USER_NAME="m.ortega-lind", CHG_DATE="09-Jul-24",
   STRIP_NAME="KD-SP8", DIMENSIONS="90 x 97.5 x 112.2", MOUNTING="DIN rail TS35",
   STRIP_TYPE_NAME="Segment Protector", STRIP_MOD_NAME="KD-SP8-DIN",
   STRIP_MOD_DESC="Segment protector carrier 8 spur", STRIP_MNT="TS35",
   STRIP_HEIGHT="97.5", STRIP_WIDTH="90", STRIP_DEPTH="112.2",
   MOD_USER_NAME="m.ortega-lind", MOD_CHG_DATE="09-Jul-24")

# 3: power conditioner; no strip model name, French channel texts.
strip([
    (dict(CHANNEL_NAME="PWR IN", TERM_MOD_NAME="KD-PC24 Power In", CHANNEL_CATEGORY="PWR",
          CHANNEL_DESC="Alimentation 24 V DC entrée R1", SIGNAL_TYPE_ID="", TERM_HEIGHT="110",
          TERM_WIDTH="8.2", TERM_DEPTH="60", TERM_MOD_DESC="Supply input terminal",
          CHANNEL_SIDE="2"),
     [term(PWR_PLUS, "PWR-1+", "VIN+"), term(PWR_MINUS, "PWR-1-", "VIN-")]),
    (dict(CHANNEL_NAME="H1 OUT", TERM_MOD_NAME="KD-PC24 d'alimentation H1",
          CHANNEL_DESC="Sortie H1 conditionnée 500 mA R8", TERM_HEIGHT="110",
          TERM_WIDTH="8.2", TERM_DEPTH="60", TERM_MOD_DESC="Sortie d'alimentation H1"),
     ff_terms(2, "H1OUT", numbers=("H1-OUT+", "H1-OUT-", "H1-OUT-S"))),
    (dict(CHANNEL_NAME="ALARM", TERM_MOD_NAME="KD-PC24 Alarm Contact", CHANNEL_CATEGORY="DO",
          CHANNEL_DESC="Alarm relay contact 30 V 100 mA", SIGNAL_TYPE_ID="3", POWERED_FLG="N",
          TERM_HEIGHT="110", TERM_WIDTH="5.2", TERM_DEPTH="60",
          TERM_MOD_DESC="Relay contact terminal"),
     [term(ALARM, "ALM-11", "NO"), term(ALARM, "ALM-12", "COMMON-ALARM")]),
], STRIP_ID="5003", USER_NAME="ANNA.OYELARAN", CHG_DATE="30-Sep-24",
   STRIP_NAME="KD-PC24", DIMENSIONS="22.5 x 110 x 115", MOUNTING="DIN rail TS35",
   STRIP_TYPE_NAME="Power Conditioner", STRIP_MOD_NAME="", STRIP_MOD_DESC="Carrier",
   STRIP_MNT="TS35", STRIP_HEIGHT="110", STRIP_WIDTH="22.5", STRIP_DEPTH="115",
   MOD_USER_NAME="ANNA.OYELARAN", MOD_CHG_DATE="30-Sep-24")

# 4: field barrier; no strip manufacturer name.
strip([
    (dict(CHANNEL_NAME="TRUNK", TERM_MOD_NAME="KD-FB6 Trunk", CHG_NUM="3",
          CHANNEL_DESC="Trunk Ex e 32 V R3", IS_SAFE_FLG="N", TERM_HEIGHT="128",
          TERM_WIDTH="12", TERM_DEPTH="70", TERM_MOD_DESC="Trunk terminal Ex e"),
     ff_terms(1, "TRUNK", hw="R", numbers=("1", "2", "3"))),
    (dict(CHANNEL_NAME="SPUR1", TERM_MOD_NAME="KD-FB6 Spur Ex ia", CHG_NUM="3",
          CHANNEL_DESC="Spur Ex ia IIC -40 °C bis +70 °C R5", IS_SAFE_FLG="Y",
          TERM_HEIGHT="128", TERM_WIDTH="12", TERM_DEPTH="70",
          TERM_MOD_DESC="Spur terminal Ex ia blue"),
     ff_terms(1, "SPUR1", kinds=(EXI_PLUS, EXI_MINUS, SHIELD), IS_SAFE_FLG="Y",
              numbers=("11", "12", "13"))),
    (dict(CHANNEL_NAME="SPUR2", TERM_MOD_NAME="KD-FB6 Spur Ex ia", CHG_NUM="3",
          CHANNEL_DESC="Spur Ex ia IIC -40 °C bis +70 °C R5", IS_SAFE_FLG="Y",
          TERM_HEIGHT="128", TERM_WIDTH="12", TERM_DEPTH="70",
          TERM_MOD_DESC="Spur terminal Ex ia blue"),
     ff_terms(2, "SPUR2", kinds=(EXI_PLUS, EXI_MINUS, SHIELD), IS_SAFE_FLG="Y",
              numbers=("21", "22", "23"))),
], STRIP_ID="5004", CHG_NUM="3", USER_NAME="tbrannigan", CHG_DATE="21-Oct-24",
   STRIP_NAME="KD-FB6", DIMENSIONS="160 x 128 x 92.4", MOUNTING="Wall enclosure",
   STRIP_MFR_NAME="", STRIP_TYPE_NAME="Field Barrier", STRIP_MOD_NAME="KD-FB6-EX",
   STRIP_MOD_DESC="Field barrier carrier Ex ia", STRIP_MNT="Enclosure",
   STRIP_HEIGHT="128", STRIP_WIDTH="160", STRIP_DEPTH="92.4", STRIP_RAIL_SIZE="0",
   HAZ_AREA_FLG="Y", IS_CERT="T", CERT_NUM="KDX 24 ATEX 0117", RAIL="None",
   MOD_USER_NAME="tbrannigan", MOD_CHG_DATE="21-Oct-24")

# 5: terminator; no strip model description, mounting or dimensions, and a channel
# model without dimensions. Its reference name begins with a lower-case letter.
strip([
    (dict(CHANNEL_NAME="TERM A", TERM_MOD_NAME="eTRM Terminator Module",
          CHANNEL_DESC="Zuschaltbarer Abschluss 100 Ohm 1 µF R9", TERMINATOR_FLG="Y",
          SIGNAL_TYPE_ID="", TERM_HEIGHT="", HEIGHT_UOM_ID="", TERM_WIDTH="",
          WIDTH_UOM_ID="", TERM_DEPTH="", DEPTH_UOM_ID="", TERM_MOD_DESC="Switchable terminator"),
     [term(PLUS, "TA+", "TA+", "r"), term(MINUS, "TA-", "TA-", "r"),
      term(SHIELD, "TAS", "", "r")]),
    (dict(CHANNEL_NAME="TERM B", TERM_MOD_NAME="eTRM Terminator Module",
          CHANNEL_DESC="Fixed terminator 100 Ohm 1 µF R7", TERMINATOR_FLG="Y",
          TERM_HEIGHT="", HEIGHT_UOM_ID="", TERM_WIDTH="", WIDTH_UOM_ID="", TERM_DEPTH="",
          DEPTH_UOM_ID="", TERM_MOD_DESC="Switchable terminator"),
     [term(PLUS, "TB+", "TB+"), term(MINUS, "TB-", "TB-"), term(SHIELD, "TBS", "TB-SCREEN")]),
], STRIP_ID="5005", USER_NAME="rweisz", CHG_DATE="05-Jun-23",
   STRIP_NAME="KD-TRM", DIMENSIONS="", MOUNTING="",
   STRIP_TYPE_NAME="Terminator", STRIP_MOD_NAME="KD-TRM-RAIL",
   STRIP_MOD_DESC="", STRIP_MNT="", STRIP_HEIGHT="", HEIGHT_UOM_ID="", STRIP_WIDTH="",
   WIDTH_UOM_ID="", STRIP_DEPTH="", DEPTH_UOM_ID="", STRIP_RAIL_SIZE="", RAIL_UOM_ID="",
   MOD_USER_NAME="rweisz", MOD_CHG_DATE="05-Jun-23")

# 6: repeater; reference names differ from each other only in letter case.
strip([
    (dict(CHANNEL_NAME="SEG A", TERM_MOD_NAME="Kd-RP2 Segment Port",
          CHANNEL_DESC="Segment A isolated port R6", TERM_HEIGHT="100", TERM_WIDTH="7.5",
          TERM_DEPTH="55", TERM_MOD_DESC="Segment port terminal", SEGMENT_NUM="1"),
     ff_terms(1, "SEGA", numbers=("A1+", "A1-", "A1S"))),
    (dict(CHANNEL_NAME="SEG B", TERM_MOD_NAME="Kd-RP2 Segment Port",
          CHANNEL_DESC="Segment B isolated port R0", TERM_HEIGHT="100", TERM_WIDTH="7.5",
          TERM_DEPTH="55", TERM_MOD_DESC="Segment port terminal", SEGMENT_NUM="2"),
     ff_terms(1, "SEGB", numbers=("B1+", "B1-", "B1S"))),
    (dict(CHANNEL_NAME="DIAG", TERM_MOD_NAME="kd-RP2 diag port", CHANNEL_CATEGORY="COM",
          CHANNEL_DESC="Diagnose-Schnittstelle für Feldbus R8", SIGNAL_TYPE_ID="12",
          TERM_HEIGHT="100", TERM_WIDTH="5", TERM_DEPTH="55", TERM_MOD_DESC="RS-485 terminal",
          CHANNEL_SIDE="2", CONNECTOR_ID="4"),
     [term(PLUS, "D+", "RS485-A"), term(MINUS, "D-", "RS485-B"),
      term(SHIELD, "DS", "RS485-SCREEN")]),
], STRIP_ID="5006", USER_NAME="dkowalik", CHG_DATE="11-Dec-24",
   STRIP_NAME="KD-RP2", DIMENSIONS="35 x 100 x 120.5", MOUNTING="DIN rail TS35",
   STRIP_TYPE_NAME="Repeater", STRIP_MOD_NAME="KD-RP2-DIN",
   STRIP_MOD_DESC="Repeater carrier", STRIP_MNT="TS35", STRIP_HEIGHT="100",
   STRIP_WIDTH="35", STRIP_DEPTH="120.5", MOD_USER_NAME="dkowalik", MOD_CHG_DATE="11-Dec-24")

# 7: surge protector from the surge product line.
strip([
    (dict(CHANNEL_NAME="LINE", TERM_MOD_NAME="KD-SPD Line Side", TERM_MFR_NAME=SURGE_MFR,
          TERM_MFR_DESC=SURGE_MFR_DESC, MFR_USER_NAME="dkowalik", MFR_CHG_DATE="26-Aug-24",
          CHANNEL_DESC="Surge line side 10 kA 8/20 µs R1", TERM_HEIGHT="90", TERM_WIDTH="12",
          TERM_DEPTH="68", TERM_MOD_DESC="Protected line terminal"),
     ff_terms(1, "LINE", numbers=("L+", "L-", "LS"))),
    (dict(CHANNEL_NAME="FIELD", TERM_MOD_NAME="KD-SPD Field Side", TERM_MFR_NAME=SURGE_MFR,
          TERM_MFR_DESC=SURGE_MFR_DESC, MFR_USER_NAME="dkowalik", MFR_CHG_DATE="26-Aug-24",
          CHANNEL_DESC="Surge field side R4", TERM_HEIGHT="90", TERM_WIDTH="12",
          TERM_DEPTH="68", TERM_MOD_DESC="Protected field terminal", CHANNEL_SIDE="2"),
     ff_terms(1, "FIELD", numbers=("F+", "F-", "FS"))),
    (dict(CHANNEL_NAME="EARTH", TERM_MOD_NAME="KD-SPD Earth Stud", TERM_MFR_NAME=SURGE_MFR,
          TERM_MFR_DESC=SURGE_MFR_DESC, MFR_USER_NAME="dkowalik", MFR_CHG_DATE="26-Aug-24",
          CHANNEL_CATEGORY="PE", CHANNEL_DESC="Functional earth R4", SIGNAL_TYPE_ID="",
          POWERED_FLG="N", TERM_HEIGHT="90", TERM_WIDTH="6", TERM_DEPTH="40",
          TERM_MOD_DESC="Earth stud M5"),
     [term(EARTH, "PE1", "PE", EARTH_FLG="Y"), term(EARTH, "PE2", "PE", EARTH_FLG="Y")]),
], STRIP_ID="5007", CHG_NUM="1", USER_NAME="dkowalik", CHG_DATE="03-Apr-25",
   STRIP_NAME="KD-SPD", DIMENSIONS="12 x 90 x 68", MOUNTING="DIN rail TS35",
   STRIP_MFR_NAME=SURGE_MFR, STRIP_MFR_DESC=SURGE_MFR_DESC, MFR_USER_NAME="dkowalik",
   MFR_CHG_DATE="26-Aug-24", STRIP_TYPE_NAME="Surge Protector", STRIP_MOD_NAME="KD-SPD-H1",
   STRIP_MOD_DESC="Surge protector carrier", STRIP_MNT="TS35", STRIP_HEIGHT="90",
   STRIP_WIDTH="36", STRIP_DEPTH="68", MOD_USER_NAME="dkowalik", MOD_CHG_DATE="03-Apr-25")


# ---------------------------------------------------------------------------

EXPORT_VERSION.add()

TABLES = (EXPORT_VERSION, STRIP_CONFIG, STRIP_CONFIG_TERM, TERMINAL_COLORS, PANEL_STRIP,
          CHANNEL, PANEL_STRIP_TERM)


# Columns a further copy renumbers, each with the table whose rows it counts: identifiers the
# tables are tied by, and the exporter's own identifiers derived from them, which a real export
# would carry distinct too. Each copy continues the numbering where the previous one ended.
COPY_IDS = {
    STRIP_CONFIG: (("STRIP_CONFIG_ID", STRIP_CONFIG), ("TERM_MOD_ID", STRIP_CONFIG)),
    STRIP_CONFIG_TERM: (("STRIP_CONFIG_ID", STRIP_CONFIG),
                        ("STRIP_CONFIG_TERM_ID", STRIP_CONFIG_TERM)),
    PANEL_STRIP: (("STRIP_ID", PANEL_STRIP), ("PANEL_STRIP_SEQ", PANEL_STRIP),
                  ("STRIP_MOD_ID", PANEL_STRIP)),
    CHANNEL: (("STRIP_ID", PANEL_STRIP), ("CHANNEL_ID", CHANNEL)),
    PANEL_STRIP_TERM: (("STRIP_ID", PANEL_STRIP), ("TERM_ID", PANEL_STRIP_TERM),
                       ("TERM_MOD_ID", CHANNEL), ("CHANNEL_ID", CHANNEL)),
}
# Names that tell one apparatus from another; a name left empty stays empty.
COPY_NAMES = {
    STRIP_CONFIG: ("STRIP_CONFIG_NAME", "TERM_MOD_NAME", "STRIP_NAME_DEFAULT"),
    PANEL_STRIP: ("STRIP_NAME", "STRIP_MOD_NAME"),
    CHANNEL: ("TERM_MOD_NAME",),
}


def copy_rows(table, k):
    """The rows of copy k of `table`; copy 1 is the sample's own."""
    if k == 1:
        return table.rows
    rows = []
    for row in table.rows:
        row = list(row)
        for column, counted in COPY_IDS.get(table, ()):
            value = row[table.pos(column)]
            if value not in ("", "0"):  # "0" stands for "none" in the exporter's identifiers
                row[table.pos(column)] = str(int(value) + (k - 1) * len(counted.rows))
        for column in COPY_NAMES.get(table, ()):
            if row[table.pos(column)]:
                row[table.pos(column)] += f" #{k}"
        rows.append(row)
    return rows


def scaled_text(table, scale):
    if table is EXPORT_VERSION or table is TERMINAL_COLORS:
        return table.text(), len(table.rows)
    rows = [row for k in range(1, scale + 1) for row in copy_rows(table, k)]
    return "".join(",".join(row) + LINE_END for row in rows), len(rows)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Writes the sample library, or N copies of it.")
    parser.add_argument("--scale", type=int, default=1, metavar="N",
                        help="copies of the sample to write (default 1: the sample itself)")
    parser.add_argument("out", nargs="?", default=os.path.join(here, "sample-library"))
    args = parser.parse_args(argv[1:])
    if args.scale < 1:
        parser.error("--scale must be at least 1")
    os.makedirs(args.out, exist_ok=True)
    for table in TABLES:
        text, count = scaled_text(table, args.scale)
        data = text.encode(ENCODING)  # fails loudly on a character outside the code page
        with open(os.path.join(args.out, table.name), "wb") as f:
            f.write(data)
        print(f"{table.name}: {count} rows of {table.width} values")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
