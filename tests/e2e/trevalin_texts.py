"""trevalin's dialog texts in English and Russian, as the end-to-end tests and the
demonstration expect them: one copy for every script that reads the dialog."""

TEXTS = {
    "en": {
        "caption": "Varnholt Lab: Cure Trojan-Ransom.Win.Quorrel",
        "text.1005": "Cure info:",
        "text.1001": "cure of active infection",
        "text.1002": "removing malware from system",
        "text.1003": "clean up the file system from malware",
        "text.1000": "Close",
        "text.1007": "Results:",
        "cured": "Trojan-Ransom.Win32.Quorrel was cured!",
        "clean": "There was no detection of Trojan-Ransom.Win32.Quorrel in system",
    },
    "ru": {
        "caption": "Varnholt Lab: лечение Trojan-Ransom.Win.Quorrel",
        "text.1005": "Информация по лечению:",
        "text.1001": "лечение активного заражения",
        "text.1002": "удаление троянской программы из системы",
        "text.1003": "очистка файловой системы от троянской программ",
        "text.1000": "Завершить",
        "text.1007": "Результаты:",
        "cured": "Trojan-Ransom.Win32.Quorrel излечен!",
        "clean": "В системе не обнаружен Trojan-Ransom.Win32.Quorrel",
    },
}
