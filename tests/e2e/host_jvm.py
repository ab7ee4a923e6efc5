"""The host's JVM behind host_java.exe, the forwarding java.exe that
`mksetup try` ships, inside a Wine prefix.

Wine starts Linux programs from CreateProcessA but neither connects their
output to the pipe it was given nor lets the parent wait for them, so a real
JVM is reached through files: host_java.exe (`forward=` in its .ini)
writes "<id>.request" (its current folder, then its arguments as its C
runtime split them) into a folder on C:, and `HostJvm` answers with
"<id>.answer" (the exit code on the first line, then the JVM's output
bytes). Windows paths in the arguments become
the prefix's Unix paths, looked up without regard to letter case as Windows
would; the JVM's error output goes to the prefix's artifacts folder.
"""

import os
import re
import shutil
import subprocess
import threading
from pathlib import Path

# What host_java.exe's .ini names as its forward folder.
REQUEST_FOLDER = "C:\\hostjvm"


def host_java():
    return shutil.which("java")


def host_java_version() -> str:
    """The host JVM's java.version, as its verify class would print it."""
    shown = subprocess.run([host_java(), "-XshowSettings:properties", "-version"],
                           capture_output=True, text=True, check=True).stderr
    return re.search(r"^\s*java\.version = (.*)$", shown, re.MULTILINE).group(1).strip()


def install_forwarding_jdk(prefix, host_java_exe: Path, major: str) -> str:
    """host_java.exe as bin\\java.exe of a JDK home where a
    modern JDK installs itself, registered under the JDK key for `major`
    and with its bin folder on PATH. Returns the executable's path."""
    home = f"C:\\Program Files\\Java\\jdk-{major}"
    prefix.put(home + "\\bin\\java.exe", host_java_exe)
    prefix.put(home + "\\bin\\java.ini", f"forward={REQUEST_FOLDER}\r\n")
    prefix.reg_add("Software\\JavaSoft\\Java Development Kit\\" + major, "JavaHome", home)
    prefix.reg_add("System\\CurrentControlSet\\Control\\Session Manager\\Environment", "PATH",
                   "%SystemRoot%\\system32;%SystemRoot%;" + home + "\\bin", "REG_EXPAND_SZ")
    return home + "\\bin\\java.exe"


class HostJvm:
    """Answers host_java.exe's requests in `prefix` with the
    host's `java`, on a thread of its own while the context is open."""

    def __init__(self, prefix):
        self.prefix, self._stop = prefix, threading.Event()
        self.requests = prefix.host_path(REQUEST_FOLDER)
        self.requests.mkdir(parents=True, exist_ok=True)
        self._thread = threading.Thread(target=self._serve, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc) -> None:
        self._stop.set()
        self._thread.join()

    def unix_path(self, windows_path: str) -> str:
        """The prefix's file behind a Windows path (letter case as given)."""
        if not re.match(r"^[A-Za-z]:\\", windows_path):
            return windows_path
        # Resolved: the link's name "c:" would split a Unix class path.
        drive = (self.prefix.path / "dosdevices" / windows_path[:2].lower()).resolve()
        return str(drive.joinpath(*windows_path[3:].split("\\")))

    def _serve(self) -> None:
        while not self._stop.wait(0.02):
            for request in sorted(self.requests.glob("*.request")):
                folder, *args = request.read_bytes().decode("cp1252").split("\r\n")[:-1]
                # Class path entries and -D values that are Windows paths become Unix paths.
                command = [host_java()] + [
                    ":".join(map(self.unix_path, arg.split(";"))) if before in ("-classpath", "-cp")
                    else re.sub(r"^(-D[^=]*=)([A-Za-z]:\\.*)$",
                                lambda m: m[1] + self.unix_path(m[2]), arg)
                    for before, arg in zip([""] + args, args)]
                # A run past the timeout ends this thread; the run waiting for it times out.
                with open(self.prefix.artifacts / f"{request.stem}.stderr", "wb") as stderr:
                    run = subprocess.run(command, cwd=self.unix_path(folder), stderr=stderr,
                                         stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                         timeout=120)
                partial = request.with_suffix(".partial-answer")
                partial.write_bytes(f"{run.returncode}\n".encode() + run.stdout)
                os.replace(partial, request.with_suffix(".answer"))
                request.unlink()
