"""vantrel-service started under Wine for a test: its output into a file, back once it listens."""
import subprocess
import time


def start(exe, arguments, env, out_path):
    """The running service, or the one that ended early (poll() says so) with its output in out_path."""
    with open(out_path, "w") as out:
        service = subprocess.Popen(["wine", exe, *arguments], env=env, stdout=out, stderr=subprocess.STDOUT)
    for _ in range(120):
        with open(out_path) as text:
            if "Listening on" in text.read() or service.poll() is not None:
                break
        time.sleep(0.5)
    return service
