"""The checks of every test script: each check prints its verdict and remembers the result;
exit_code() prints the closing count and gives the script's exit code (1 on any failure,
and on a script that checked nothing at all)."""

passed = []
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    (passed if condition else failures).append(what)


def exit_code(name=None):
    print("%s%d passed, %d failed" % (name + ": " if name else "", len(passed), len(failures)), flush=True)
    return 1 if failures or not passed else 0
