"""The end-to-end scripts' checks: each check prints its verdict and remembers what failed;
exit_code() prints the count and gives the script's exit code."""

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def exit_code():
    print("%d failed" % len(failures))
    return 1 if failures else 0
