"""Looks at the GoogleTest results of a tier for skipped tests.

A skipped test proved nothing. Outside CI a skip is only reported. Under CI (CI=true) it
fails the tier unless it is a reviewed platform case: listed below with the second test
that proves the same behaviour another way, which must have run and passed, and skipped
with a message that names the platform's reason.

usage: check_skips.py <folder of GoogleTest XML results>
"""
import os
import sys
import xml.etree.ElementTree as ElementTree

# Reviewed skips: "Suite.Test" -> "Suite.Test" that proves the same behaviour another way.
PLATFORM_SKIPS = {}


RANK = {"passed": 0, "skipped": 1, "failed": 2}


def results(folder):
    """{"Suite.Test": "passed" | "skipped" | "failed"} over every XML file in folder (a test
    of several programs counts with its worst result), and the skip messages."""
    found, messages = {}, {}
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".xml"):
            continue
        for case in ElementTree.parse(os.path.join(folder, name)).iter("testcase"):
            test = "%s.%s" % (case.get("classname"), case.get("name"))
            skipped = case.find("skipped")
            if case.find("failure") is not None or case.find("error") is not None:
                state = "failed"
            elif case.get("result") == "skipped" or skipped is not None:
                state = "skipped"
                messages[test] = (skipped.get("message", "") if skipped is not None else "").strip()
            elif case.get("status", "run") == "run":
                state = "passed"
            else:
                continue
            if RANK[state] >= RANK[found.get(test, "passed")]:
                found[test] = state
    return found, messages


def main():
    folder = sys.argv[1]
    strict = os.environ.get("CI") == "true"
    found, messages = results(folder) if os.path.isdir(folder) else ({}, {})
    if not found:
        print("check_skips: no GoogleTest results in %s" % folder)
        return 1
    bad = []
    for test in sorted(t for t, state in found.items() if state == "skipped"):
        partner = PLATFORM_SKIPS.get(test)
        reviewed = partner is not None and found.get(partner) == "passed" and messages[test]
        print("%s skipped: %s%s" % ("reviewed" if reviewed else "NOT REVIEWED", test,
                                    " (%s)" % messages[test] if messages[test] else ""))
        if not reviewed:
            bad.append(test)
    print("check_skips: %d results, %d skipped without review" % (len(found), len(bad)))
    if bad and strict:
        print("check_skips: under CI a test may skip only for a reviewed platform reason")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
