"""The firewall profiles and the diagnosis of dropped answers, in scripts/vlan.sh's PC
namespace (PC 192.168.1.10/24; repeaters 192.168.1.1 and 192.168.1.2 answering by
broadcast) behind an nftables input filter of the kind ufw and firewalld set up: policy
drop, with the loopback and the answers to what the PC sent let in.

- The package's profiles (data/tamsel.ufw, data/tamsel.firewalld.xml) are read by ufw's
  and firewalld's own parsers, which accept them and name the one port they open: UDP
  13379. "ufw --dry-run allow tamsel", in a mount namespace of its own where the profile
  lies in /etc/ufw/applications.d, writes the input rule ufw would add; iptables-translate
  turns it into nftables syntax, and the namespace's filter gets it. Neither daemon runs
  and nothing outside the namespaces changes.
- Behind the filter a search finds nothing; tamselctl says that two repeaters answered
  and that the firewall dropped their answers, names the commands that let them in, and
  exits 6: as root, and through the network helper as a member of its group. For a user
  outside the group the run exits 0 with the line about where the search went, and no
  helper is started (strace watches what the run executes); when ufw is enabled or
  firewalld runs, a second line names that firewall as the likely cause, with its
  command. What the front ends look like is set up in mount and PID namespaces of the
  run's own (a bind-mounted /etc/ufw/ufw.conf, a process named firewalld), so the
  machine's own firewall neither changes nor counts.
- With the profiles' rule the answers come in, and both repeaters are found.

Every repeater must have logged each search request, byte for byte, and answered it.

    firewall_test.py <tamselctl> <tamsel-netadmin> <data folder>"""

import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net-cli"))
from cliutil import (EXIT_FIREWALL, EXIT_OK, as_user, check, fail, install_helper, last_seq,  # noqa: E402
                     read_log, repeater, tamselctl)
from simnet import SEARCH_REQUEST  # noqa: E402

HELPER_BUILT, DATA = sys.argv[2], sys.argv[3]
NOT_FOUND = "Ranveil Not Found !"
DROPPED = ("2 repeaters answered, but this computer's firewall dropped their answers. "
           "Let the answers in with: sudo ufw allow tamsel (ufw), or sudo firewall-cmd "
           "--add-service=tamsel (firewalld; once more with --permanent to keep it after a "
           "restart).")
NOWHERE_ELSE = "tamselctl: No repeater answered the search on eth0."
LIKELY = ("tamselctl: This computer's firewall, {}, may have dropped the repeaters' answers. "
          "Let the answers in with: {}.")
UFW_COMMAND = "sudo ufw allow tamsel"
FIREWALLD_COMMAND = ("sudo firewall-cmd --add-service=tamsel (once more with --permanent to keep "
                     "it after a restart)")
# The parsers are the Debian packages' (ufw, python3-firewall), for the system's Python.
SYSTEM_PYTHON = "/usr/bin/python3"

PROFILE_PORTS = r"""
import gettext, sys
gettext.install("ufw")  # ufw's messages expect it, as its own program sets it up
import ufw.applications, ufw.util
from firewall.core.io.service import service_reader

ufw_dir, firewalld_dir = sys.argv[1:3]
# get_profiles leaves out, with a warning, every profile that verify_profile refuses.
profiles = ufw.applications.get_profiles(ufw_dir)
if list(profiles) != ["tamsel"]:
    sys.exit(f"ufw refused the profile: {sorted(profiles)}")
ufw_ports = [ufw.util.parse_port_proto(p) for p in ufw.applications.get_ports(profiles["tamsel"])]

service = service_reader("tamsel.xml", firewalld_dir)
service.check_config(service.export_config())
if service.name != "tamsel" or service.protocols or service.source_ports:
    sys.exit(f"firewalld read {service.name}: {service.protocols} {service.source_ports}")
firewalld_ports = [tuple(p) for p in service.ports]
if sorted(ufw_ports) != sorted(firewalld_ports):
    sys.exit(f"the profiles differ: ufw {ufw_ports}, firewalld {firewalld_ports}")
for port, protocol in ufw_ports:
    print(port, protocol)
"""

STATEFUL_FILTER = """
table inet tamsel_test {
    chain input {
        type filter hook input priority 0; policy drop;
        iif lo accept
        ct state established,related accept
    }
}"""


def profile_ports(work):
    """(port, protocol) of the package's profiles as ufw's and firewalld's parsers read
    them, laid out under the names each reads them by."""
    ufw_dir, firewalld_dir = os.path.join(work, "ufw"), os.path.join(work, "firewalld")
    os.makedirs(ufw_dir)
    os.makedirs(firewalld_dir)
    shutil.copy(os.path.join(DATA, "tamsel.ufw"), os.path.join(ufw_dir, "tamsel"))
    shutil.copy(os.path.join(DATA, "tamsel.firewalld.xml"),
                os.path.join(firewalld_dir, "tamsel.xml"))
    run = subprocess.run([SYSTEM_PYTHON, "-c", PROFILE_PORTS, ufw_dir, firewalld_dir],
                         capture_output=True, text=True)
    if run.returncode != 0:
        fail(f"the profiles were refused: {run.stdout} {run.stderr}")
    return [tuple(line.split()) for line in run.stdout.splitlines()]


def ufw_input_rules(work):
    """The IPv4 input rules that "ufw allow tamsel" adds, as ufw --dry-run writes them and
    iptables-translate turns them into nftables expressions ("udp dport 13379 ...")."""
    ufw_dir = os.path.join(work, "ufw")
    run = subprocess.run(["unshare", "--mount", "sh", "-c",
                          'mount --bind "$1" /etc/ufw/applications.d && '
                          "ufw --dry-run allow tamsel", "-", ufw_dir],
                         capture_output=True, text=True)
    check(run.returncode == 0, f"ufw --dry-run: {run.stdout} {run.stderr}")
    rules = []
    for line in run.stdout.splitlines():
        if not line.startswith("-A ufw-user-input "):
            continue
        translated = subprocess.run(["iptables-translate", *shlex.split(line)],
                                    capture_output=True, text=True, check=True).stdout.strip()
        # nft 'add rule ip filter ufw-user-input EXPRESSION comment "..."'
        match = re.fullmatch(r"nft '?add rule ip filter ufw-user-input (.*?)"
                             r"(?: comment \S+)?'?", translated)
        check(match is not None, f"iptables-translate wrote {translated!r}")
        rules.append(match.group(1).replace(" counter", ""))
    return rules


FRONT_ENDS = r"""
conf=$1 fake=$2
shift 2
mount --bind "$conf" /etc/ufw/ufw.conf || exit 97
if [ -n "$fake" ]; then "$fake" 600 & fi
exec "$@"
"""


def with_front_ends(work, ufw_enabled, firewalld_running):
    """A command prefix that runs its command where /etc/ufw/ufw.conf says ENABLED=yes or
    no, and where a process named firewalld runs or not, in mount and PID namespaces of its
    own (the process is sleep; it ends with the command)."""
    conf = os.path.join(work, f"ufw-{'yes' if ufw_enabled else 'no'}.conf")
    with open(conf, "w") as f:
        f.write(f"# ufw.conf\nENABLED={'yes' if ufw_enabled else 'no'}\nLOGLEVEL=low\n")
    os.chmod(conf, 0o644)
    fake = ""
    if firewalld_running:
        # A process is named after the file it was started as: a link, as /tmp may allow
        # no programs.
        fake = os.path.join(work, "running", "firewalld")
        if not os.path.lexists(fake):
            os.makedirs(os.path.dirname(fake), exist_ok=True)
            os.symlink("/bin/sleep", fake)
    return ["unshare", "--mount", "--pid", "--fork", "--mount-proc", "sh", "-c", FRONT_ENDS, "-",
            conf, fake]


def nft(*args, script=None):
    subprocess.run(["nft", *args] if script is None else ["nft", "-f", "-"], input=script,
                   text=True, check=True)


def discover(expected_code, prefix=(), env=None):
    """tamselctl discover; checks that every repeater logged the three search requests
    and answered them."""
    repeaters = (repeater(1), repeater(2))
    seqs = [last_seq(r.log) for r in repeaters]
    run = tamselctl("discover", prefix=prefix, env=env, timeout=60).expect(expected_code)
    for r, seq in zip(repeaters, seqs):
        frames = [f for f in read_log(r.log) if f.kind == "DISCOVERY" and f.seq > seq]
        check(len(frames) == 3 and all(f.payload == SEARCH_REQUEST and
                                       f.attrs["answered"] == "yes" for f in frames),
              f"repeater {r.n} logged {[(f.attrs, f.payload.hex()) for f in frames]}")
    return run


def expect_dropped(run, who):
    check(run.text.strip() == NOT_FOUND, f"{who}: {run.text}")
    check(run.err.splitlines() == [f"tamselctl: {DROPPED}"], f"{who}: {run.err!r}")


def main():
    with tempfile.TemporaryDirectory() as work:
        os.chmod(work, 0o755)
        ports = profile_ports(work)
        check(ports == [("13379", "udp")], f"the profiles open {ports}")
        rules = ufw_input_rules(work)
        check(rules == ["udp dport 13379 accept"], f"ufw would add {rules}")
        helper, member, group = install_helper(HELPER_BUILT, work)
        env = dict(os.environ, TAMSEL_NETADMIN=helper)

        nft(script=STATEFUL_FILTER)
        try:
            expect_dropped(discover(EXIT_FIREWALL), "root")
            # Which programs each user's run starts: the helper for a member only.
            traces = os.path.join(work, "traces")
            os.mkdir(traces)
            os.chmod(traces, 0o777)

            def traced(name):
                return ["strace", "-f", "-qq", "-e", "trace=execve", "-o",
                        os.path.join(traces, name)]

            def started_helper(name):
                with open(os.path.join(traces, name)) as f:
                    return f'execve("{helper}"' in f.read()

            expect_dropped(discover(EXIT_FIREWALL, as_user(member, [group]), env), "member")
            # (A traced helper gets no file capabilities, so this run only shows that the
            # trace sees the helper start.)
            tamselctl("discover", prefix=as_user(member, [group]) + traced("member"), env=env,
                      timeout=60)
            check(started_helper("member"), "the member's run did not start the helper")
            quiet = with_front_ends(work, False, False)
            outsider = discover(EXIT_OK, quiet + as_user(member + 1, []) + traced("outsider"), env)
            check(outsider.text.strip() == NOT_FOUND, outsider.text)
            check(outsider.err.splitlines() == [NOWHERE_ELSE], outsider.err)
            check(not started_helper("outsider"), "a run outside the group started the helper")
            # Nobody counted the answers: the active front end is the likely cause.
            for ufw, firewalld, line in ((True, False, LIKELY.format("ufw", UFW_COMMAND)),
                                         (False, True, LIKELY.format("firewalld",
                                                                     FIREWALLD_COMMAND))):
                run = discover(EXIT_OK, with_front_ends(work, ufw, firewalld) +
                               as_user(member + 1, []), env)
                check(run.text.strip() == NOT_FOUND, run.text)
                check(run.err.splitlines() == [NOWHERE_ELSE, line], run.err)
            # A member's watch counted them: its count, with ufw's command alone, and no guess.
            counted = discover(EXIT_FIREWALL, with_front_ends(work, True, False) +
                               as_user(member, [group]), env)
            check(counted.err.splitlines() == [
                "tamselctl: 2 repeaters answered, but this computer's firewall dropped their "
                f"answers. Let the answers in with: {UFW_COMMAND}."], counted.err)

            # A command's repeater that answered is not found either, and for that reason.
            status = tamselctl("status", repeater(1).ip, timeout=60).expect(EXIT_FIREWALL)
            check("No repeater answered the search at 192.168.1.1." in status.err and
                  "1 repeater answered, but this computer's firewall dropped its answer." in
                  status.err, status.err)

            # The rule that ufw adds for the profile lets the answers in.
            for rule in rules:
                nft("add", "rule", "inet", "tamsel_test", "input", *rule.split())
            for who, prefix in (("root", ()), ("member", as_user(member, [group]))):
                run = discover(EXIT_OK, prefix, env)
                check(sorted(line.split()[1] for line in run.text.splitlines()[1:-1]) ==
                      ["192.168.1.1", "192.168.1.2"], f"{who}: {run.text}")
                check(run.err == "", f"{who}: {run.err}")
        finally:
            nft("delete", "table", "inet", "tamsel_test")
    print("firewall: ok")


if __name__ == "__main__":
    main()
