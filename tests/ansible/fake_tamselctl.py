#!/usr/bin/python3
"""A stand-in for tamselctl that keeps to the contract the tamsel.repeater modules are
built on, for the modules' own tests: `apply`, `status --json` and `discover --json`.

It keeps each repeater's state in a JSON file per address under $FAKE_TAMSELCTL_STATE
(made on first use with the defaults below) and appends one line per run to
$FAKE_TAMSELCTL_RECORD: its arguments, which secret-carrying environment variables were
set, and what came on standard input. Secrets are recorded only as SHA-256 digests
("sha256:<hex>"), so that the record can say where a secret went without holding it.

$FAKE_TAMSELCTL_FAIL makes a run fail on purpose: "garbage" prints no JSON and exits 3;
"<step>:<status>" (e.g. "wireless:5", "read:4") fails apply at that step."""

import hashlib
import json
import os
import sys

DEFAULT_STATE = {
    "lan": {"mask": "255.255.255.0", "dhcp": True},
    "wireless": {"ssid": "", "security": "none", "key_index": 1},
    "password": "admin",
    "firmware": {"version": "1.3.07"},
}
SECRETS = ("device_password", "password")
STEPS = ("password", "wireless", "firmware", "lan")
FIELDS = {
    "device_password": None,
    "lan": {"ip", "mask", "dhcp"},
    "wireless": {"ssid", "security", "key", "key_index", "force_key"},
    "password": None,
    "firmware": {"version", "image"},
}


def digest(value):
    return "sha256:" + hashlib.sha256(str(value).encode()).hexdigest()


def hidden(document):
    """The document with every secret as its digest."""
    shown = json.loads(json.dumps(document))
    for name in SECRETS:
        if name in shown:
            shown[name] = digest(shown[name])
    if isinstance(shown.get("wireless"), dict) and "key" in shown["wireless"]:
        shown["wireless"]["key"] = digest(shown["wireless"]["key"])
    return shown


def record(entry):
    path = os.environ.get("FAKE_TAMSELCTL_RECORD")
    if path:
        with open(path, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")


def state_path(address):
    return os.path.join(os.environ["FAKE_TAMSELCTL_STATE"], address + ".json")


def load_state(address):
    try:
        with open(state_path(address), encoding="utf-8") as f:
            return json.load(f)
    except FileNotFoundError:
        state = json.loads(json.dumps(DEFAULT_STATE))
        state["lan"]["ip"] = address
        return state


def save_state(address, state):
    with open(state_path(address), "w", encoding="utf-8") as f:
        json.dump(state, f)
    if state["lan"]["ip"] != address:
        os.rename(state_path(address), state_path(state["lan"]["ip"]))


def option(args, name):
    if name in args:
        i = args.index(name)
        return args[i + 1] if i + 1 < len(args) else None
    return None


def read_password_file(path):
    with open(path, encoding="utf-8") as f:
        return f.read().split("\n", 1)[0]


def plan(state, document):
    """[(step, before, after)] of what differs, in apply's order."""
    steps = []
    if "password" in document and document["password"] != state["password"]:
        steps.append(("password", {"password": "(set)"}, {"password": "(changed)"}))
    wireless = document.get("wireless", {})
    differs = {k: v for k, v in wireless.items()
               if k in ("ssid", "security") and state["wireless"].get(k) != v}
    if differs or wireless.get("force_key"):
        before = {k: state["wireless"].get(k) for k in differs}
        after = dict(differs)
        if "key" in wireless:
            before["key"], after["key"] = "(set)", "(changed)"
        steps.append(("wireless", {"wireless": before}, {"wireless": after}))
    version = document.get("firmware", {}).get("version")
    if version is not None and version != state["firmware"]["version"]:
        steps.append(("firmware", {"firmware": {"version": state["firmware"]["version"]}},
                      {"firmware": {"version": version}}))
    lan = {k: v for k, v in document.get("lan", {}).items() if state["lan"].get(k) != v}
    if lan:
        steps.append(("lan", {"lan": {k: state["lan"].get(k) for k in lan}}, {"lan": lan}))
    return steps


def carry_out(state, document, step):
    if step == "password":
        state["password"] = document["password"]
    elif step == "wireless":
        for k in ("ssid", "security", "key_index"):
            if k in document["wireless"]:
                state["wireless"][k] = document["wireless"][k]
    elif step == "firmware":
        state["firmware"]["version"] = document["firmware"]["version"]
    elif step == "lan":
        state["lan"].update(document["lan"])


def merge(target, part):
    for key, value in part.items():
        if isinstance(value, dict):
            merge(target.setdefault(key, {}), value)
        else:
            target[key] = value


def apply(args, stdin_text):
    address = args[1]
    check, want_diff = "--check" in args, "--diff" in args
    result = {"address": address, "final_address": address, "check": check, "changed": False,
              "steps": [], "failed": None}
    try:
        document = json.loads(stdin_text)
        unknown = [name for name in document if name not in FIELDS] + [
            "%s.%s" % (name, key) for name, keys in FIELDS.items() if keys
            for key in document.get(name, {}) if key not in keys]
    except ValueError as e:
        document, unknown = {}, ["(not JSON: %s)" % e]
    record({"argv": args, "document": hidden(document),
            "env": sorted(k for k in os.environ if k.startswith("TAMSEL_PASSWORD"))})
    if unknown:
        result["failed"] = {"step": "input", "reason": "unknown field %s" % unknown[0],
                            "exit_status": 2}
        return result, 2
    state = load_state(address)
    failure = os.environ.get("FAKE_TAMSELCTL_FAIL", "")
    login = document.get("device_password", state["password"])
    if failure.startswith("read:") or login != state["password"]:
        result["failed"] = {"step": "read", "reason": "Login Username/Password Incorrect!",
                            "exit_status": 4}
        return result, 4
    planned = plan(state, document)
    diff = {"before": {}, "after": {}}
    status = 0
    for step, before, after in planned:
        merge(diff["before"], before)
        merge(diff["after"], after)
        if check:
            result["steps"].append({"step": step, "result": "would change"})
        elif result["failed"]:
            result["steps"].append({"step": step, "result": "not run"})
        elif failure.startswith(step + ":"):
            status = int(failure.split(":")[1])
            result["steps"].append({"step": step, "result": "failed"})
            result["failed"] = {"step": step, "reason": "Repeater respon timeout !!",
                                "exit_status": status}
        else:
            carry_out(state, document, step)
            result["steps"].append({"step": step, "result": "changed"})
    result["changed"] = any(s["result"] in ("changed", "would change") for s in result["steps"])
    if not check:
        save_state(address, state)
        result["final_address"] = state["lan"]["ip"]
    if want_diff:
        result["diff"] = diff
    return result, status


def status(args, _stdin_text):
    address = args[1]
    password_file = option(args, "--password-file")
    given = read_password_file(password_file) if password_file else None
    record({"argv": args, "password": digest(given) if given is not None else None,
            "env": sorted(k for k in os.environ if k.startswith("TAMSEL_PASSWORD"))})
    state = load_state(address)
    if given is not None and given != state["password"]:
        print("tamselctl: Login Username/Password Incorrect!", file=sys.stderr)
        return None, 4
    return {"macAddress": "00:1A:2B:00:00:01", "firmwareVersion": state["firmware"]["version"],
            "lanIp": state["lan"]["ip"], "lanMask": state["lan"]["mask"],
            "dhcpServer": "Enabled" if state["lan"]["dhcp"] else "Disabled", "mode": "AP",
            "security": state["wireless"]["security"].upper(), "wanIp": state["lan"]["ip"],
            "ssid": state["wireless"]["ssid"], "wanMask": state["lan"]["mask"],
            "gateway": "0.0.0.0", "dns1": "0.0.0.0", "dns2": "0.0.0.0"}, 0


def discover(args, _stdin_text):
    record({"argv": args})
    found = [{"mac": "00:1A:2B:00:00:01", "ip": "192.168.1.1", "model": "KV-Q3150Tx",
              "mask": "255.255.255.0"}]
    if os.environ.get("FAKE_TAMSELCTL_FAIL") == "firewall":
        print("2 repeaters answered, but this computer's firewall dropped their answers. "
              "Let the answers in with: sudo ufw allow tamsel.", file=sys.stderr)
        return found, 6
    return found, 0


def main():
    args = sys.argv[1:]
    # Only apply reads its document from standard input; status reads it only through
    # --password-file /dev/stdin, which read_password_file opens itself.
    stdin_text = sys.stdin.read() if args[:1] == ["apply"] else ""
    if os.environ.get("FAKE_TAMSELCTL_FAIL") == "garbage":
        record({"argv": args})
        print("not json")
        return 3
    commands = {"apply": apply, "status": status, "discover": discover}
    if not args or args[0] not in commands:
        print("usage: tamselctl COMMAND ...", file=sys.stderr)
        return 2
    output, code = commands[args[0]](args, stdin_text)
    if output is not None:
        print(json.dumps(output, indent=2))
    return code


if __name__ == "__main__":
    sys.exit(main())
