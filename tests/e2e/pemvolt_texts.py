"""pemvolt's console texts and the worm's page script, as the end-to-end tests expect them:
one copy for every script that compares a transcript."""

SCRIPT = ('<html><script language="JavaScript">window.open("readme.eml", null, '
          '"resizable=no,top=6000,left=6000")</script></html>')
assert len(SCRIPT) == 118

BANNER = "Pemvolt - removal tool for I-Worm.Pellix\nCopyright (C) 2026 Varnholt. All rights reserved.\n\n"
WARNING = ("To continue executing, please, save all your data and close all windows,\n"
           "because this program will restart Explorer.exe.\n"
           "This is needed to prevent reinfection in case you was infected by this virus.\n")
PROMPT = "\nDo you want to continue (N - No, Y - Yes).\n"
TEMP_NOT_FOUND = "Temporary folder can not be found.\nPlease, delete temporary files manyally.\n"
TEMP_ALL = "All temporary files has been deleted.\n"
TEMP_SOME = "Some temporary files can not be deleted.\nThey will be deleted after reboot.\n"
TEMP_LEFT = "Some temporary files can not be deleted.\nPlease, delete temporary files manyally.\n"
SHELL = "SHELL link value in system.ini file has been restored to default (Explorer.exe).\n"
GUEST_DELETED = ("Program has deleted guest account from Administrator group.\n"
                 "If you do not need guest account at all, please delete it manually.\n")
SHARE_DELETED = ("Program has deleted c$ NetWork share in your hard drive.\n"
                 "If you need it, please restore link manually.\n")
GUEST_FAILED = "Program can not delete guest account from Administrator group, please check it manually.\n"
SHARE_FAILED = "Program can not delete c$ NetWork share, please check it manually.\n"
LIBRARY_WRITTEN = "New RichEd20.dll has been created in SYSTEM or SYSTEM32 folder.\n"
LIBRARY_FAILED = ("New RichEd20.dll can not be created.\n"
                  "Please find it on installation disk and copy to SYSTEM or SYSTEM32 folder.\n")
CLOSING = ("We recommend to use Varnholt Anti-Virus to scan your hard drive.\n"
           "You can download free trial version of Varnholt Anti-Virus from\n"
           "http://www.varnholt.example/download/\n"
           "You should close all programs and restart your PC now\n"
           "to finalize removal of this virus.\n"
           "\nPress any key to continue.\n")

# What a run in a terminal waits for before it types the answer and the closing key. The
# prompt's mark has no space: a console that draws its screen moves the cursor for a space.
PROMPT_MARK = "Yes)."
PAUSE_MARK = "Press any key to continue."
assert PROMPT_MARK in PROMPT and PAUSE_MARK in CLOSING

STOPPED = "%s process could be started by virus\nand can have virus code so program stop it.\n"
ADMIN = "To stop virus processes programm must be started with Administrator privileges \n"

DISINFECTED = "%s\t\tdisinfected\t\tvirus I-Worm.Pellix.\n"
REPLACED_LATER = "%s\t\tfile will be replaced by desinfected version after reboot\t\tvirus I-Worm.Pellix.\n"
DELETED = "%s\t\tdeleted\t\tvirus I-Worm.Pellix.\n"
DELETED_LATER = "%s\t\tfile will be deleted after reboot\t\tvirus I-Worm.Pellix.\n"
