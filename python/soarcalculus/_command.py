"""The ``soarcalculus`` command that pip installs: the program itself, from
this installation (pip's build puts it in the package's ``_prefix``; ``cmake
--install`` beside the package's prefix), with the arguments given."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def program() -> str:
    """The program's file, or "" when this installation has none."""
    for path in (os.path.join(HERE, "_prefix", "bin", "soarcalculus"),
                 # PREFIX/lib/pythonX.Y/site-packages/soarcalculus -> PREFIX/bin
                 os.path.join(HERE, "..", "..", "..", "..", "bin", "soarcalculus")):
        if os.path.isfile(path) and os.access(path, os.X_OK):
            return os.path.normpath(path)
    return ""


def main() -> None:
    path = program()
    if not path:
        sys.exit("soarcalculus: this installation of the Python package holds no program "
                 "(install it with pip install ., or build it with make build)")
    # The program takes this process's place: its signals, its exit status.
    os.execv(path, [path] + sys.argv[1:])


if __name__ == "__main__":
    main()
