# "Output File" and "Error File": Java's standard streams sent into files.
import pytest

OUT_LINE = "line on standard output\n"
ERR_LINE = "line on standard error\n"

# "Output File", "Error File" (relative names resolve against the current
# directory, the app folder), then where each line must end up: a file name or
# "process" for the launcher's own stream.
REDIRECT_CASES = {
    "both files": ("out.txt", "err.txt", "out.txt", "err.txt"),
    "only the error file": (None, "err.txt", "process", "err.txt"),
    "only the output file": ("out.txt", None, "out.txt", "process"),
    "neither": (None, None, "process", "process"),
    "output folder missing": ("missing/out.txt", "err.txt", "process", "err.txt"),
}


@pytest.mark.parametrize("case", REDIRECT_CASES)
def test_standard_streams_go_to_the_configured_files(case, jdk, app, settings, tmp_path):
    output_file, error_file, out_goes, err_goes = REDIRECT_CASES[case]
    folder = tmp_path / "app"
    folder.mkdir()
    # Existing files are emptied, not appended to.
    for name in {"out.txt", "err.txt"}:
        (folder / name).write_text("stale content\n")
    run = app(settings("fixture.PrintStreams", jdk=jdk,
                       application={"Output File": output_file, "Error File": error_file}), folder=folder)
    assert run.code == 0, f"{case}: {run.Describe()}"

    def Expect(goes, line, process_text):
        if goes == "process":
            assert line in process_text, f"{case}: {line!r} not on the process's stream\n{run.Describe()}"
        else:
            assert (folder / goes).read_text() == line, f"{case}: {goes}"
            assert line not in process_text, f"{case}: {line!r} also on the process's stream"

    Expect(out_goes, OUT_LINE, run.stdout)
    Expect(err_goes, ERR_LINE, run.stderr)
    for name in {"out.txt", "err.txt"} - {output_file, error_file}:
        assert (folder / name).read_text() == "stale content\n", f"{case}: {name} was touched"
    if case == "output folder missing":
        # The failure to open the file is printed where standard error still
        # pointed then: the process's own.
        assert "java.io.FileNotFoundException" in run.stderr and "missing/out.txt" in run.stderr, run.Describe()


def test_exception_out_of_main_goes_to_the_error_file(jdk, app, settings, tmp_path):
    folder = tmp_path / "app"
    run = app(settings("fixture.Throws", jdk=jdk, application={"Error File": str(folder / "err.txt")}),
              folder=folder)
    assert run.code == 0, run.Describe()
    assert "java.lang.IllegalStateException: thrown out of fixture main" in (folder / "err.txt").read_text()
    assert "IllegalStateException" not in run.stderr, run.Describe()
