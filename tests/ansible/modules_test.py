"""The tamsel.repeater modules against the stand-in tamselctl (fake_tamselctl.py): the
desired-state document each builds from its options, the arguments, where the secrets
go (standard input only; never the argument list, the environment or the output), how
tamselctl's result becomes the module's, and no_log on every secret option.

Each module runs as Ansible runs it, as a program with its arguments in a file; the test
runs under the Python that Ansible itself uses."""

import hashlib
import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
COLLECTIONS = os.path.join(HERE, "..", "..", "ansible", "collections")
MODULES = os.path.join(COLLECTIONS, "ansible_collections", "tamsel", "repeater", "plugins",
                       "modules")
FAKE = os.path.join(HERE, "fake_tamselctl.py")
sys.path.insert(0, COLLECTIONS)

from ansible_collections.tamsel.repeater.plugins.modules import (  # noqa: E402
    config, discover, info)

DEVICE_PASSWORD, NEW_PASSWORD, KEY = "Old-Admin-4711", "New-Admin-8622", "Key-Office-9933"
SECRETS = (DEVICE_PASSWORD, NEW_PASSWORD, KEY)
# The options that carry a secret, wherever they sit.
SECRET_OPTIONS = {"device_password", "password", "key"}


def digest(value):
    return "sha256:" + hashlib.sha256(value.encode()).hexdigest()


class ModuleRun:
    def __init__(self, completed, records):
        self.rc = completed.returncode
        self.text = completed.stdout
        self.result = json.loads(completed.stdout)
        self.records = records


class StandIn(unittest.TestCase):
    """Each test gets a fresh stand-in state: every repeater as it comes from the
    factory, with the password DEVICE_PASSWORD."""

    def setUp(self):
        self.work = tempfile.TemporaryDirectory(prefix="tamsel-modules.")
        self.state = os.path.join(self.work.name, "state")
        os.mkdir(self.state)
        self.record = os.path.join(self.work.name, "record")
        self.env = dict(os.environ, FAKE_TAMSELCTL_STATE=self.state,
                        FAKE_TAMSELCTL_RECORD=self.record, PYTHONPATH=COLLECTIONS)
        self.env.pop("TAMSEL_PASSWORD", None)
        with open(os.path.join(self.state, "192.168.1.21.json"), "w") as f:
            json.dump({"lan": {"ip": "192.168.1.21", "mask": "255.255.255.0", "dhcp": True},
                       "wireless": {"ssid": "Lobby", "security": "none", "key_index": 1},
                       "password": DEVICE_PASSWORD, "firmware": {"version": "1.3.07"}}, f)

    def tearDown(self):
        self.work.cleanup()

    def run_module(self, name, check_mode=False, diff=False, fail=None, **options):
        options.setdefault("tamselctl_path", FAKE)
        args = dict(options, _ansible_check_mode=check_mode, _ansible_diff=diff)
        args_file = os.path.join(self.work.name, "args.json")
        with open(args_file, "w") as f:
            json.dump({"ANSIBLE_MODULE_ARGS": args}, f)
        env = dict(self.env, FAKE_TAMSELCTL_FAIL=fail) if fail else self.env
        if os.path.exists(self.record):
            os.remove(self.record)
        completed = subprocess.run([sys.executable, os.path.join(MODULES, name + ".py"),
                                    args_file], env=env, capture_output=True, text=True,
                                   timeout=60)
        records = []
        if os.path.exists(self.record):
            with open(self.record) as f:
                records = [json.loads(line) for line in f]
        run = ModuleRun(completed, records)
        for secret in SECRETS:
            self.assertNotIn(secret, run.text, f"{name}: a secret in the module's output")
            for record in records:
                self.assertNotIn(secret, " ".join(record["argv"]), f"{name}: a secret in argv")
                self.assertEqual(record.get("env", []), [], f"{name}: TAMSEL_PASSWORD set")
        return run


OFFICE = dict(address="192.168.1.21", device_password=DEVICE_PASSWORD, password=NEW_PASSWORD,
              wireless=dict(ssid="HomeNet", security="aes", key=KEY),
              lan=dict(mask="255.255.255.0", dhcp=False))


class ConfigTest(StandIn):
    def test_document_holds_the_options_given_and_secrets_go_on_stdin(self):
        run = self.run_module("config", **OFFICE)
        self.assertEqual(run.rc, 0, run.text)
        (record,) = run.records
        self.assertEqual(record["argv"], ["apply", "192.168.1.21", "-"])
        # Suboptions left out are not in the document (the tool leaves those fields be);
        # the secrets arrived whole, on standard input.
        self.assertEqual(record["document"], {
            "device_password": digest(DEVICE_PASSWORD), "password": digest(NEW_PASSWORD),
            "wireless": {"ssid": "HomeNet", "security": "aes", "key": digest(KEY)},
            "lan": {"mask": "255.255.255.0", "dhcp": False}})

    def test_check_and_diff_then_apply_then_nothing_to_do(self):
        run = self.run_module("config", check_mode=True, diff=True, **OFFICE)
        self.assertEqual(run.rc, 0, run.text)
        self.assertEqual(run.records[0]["argv"], ["apply", "192.168.1.21", "-", "--check",
                                                  "--diff"])
        self.assertTrue(run.result["changed"])
        self.assertEqual([s["result"] for s in run.result["steps"]], ["would change"] * 3)
        self.assertEqual(run.result["diff"]["before"]["wireless"]["ssid"], "Lobby")
        self.assertEqual(run.result["diff"]["after"]["wireless"],
                         {"ssid": "HomeNet", "security": "aes", "key": "(changed)"})
        self.assertEqual(run.result["diff"]["after"]["password"], "(changed)")

        run = self.run_module("config", **OFFICE)
        self.assertTrue(run.result["changed"], run.text)
        self.assertEqual(run.result["steps"], [
            {"step": "password", "result": "changed"}, {"step": "wireless", "result": "changed"},
            {"step": "lan", "result": "changed"}])
        self.assertNotIn("diff", run.result)

        # The password is the new one now; a run without device_password logs in with
        # what the discovery answer gives.
        again = dict(OFFICE)
        del again["device_password"]
        run = self.run_module("config", diff=True, **again)
        self.assertEqual(run.rc, 0, run.text)
        self.assertFalse(run.result["changed"])
        self.assertEqual(run.result["steps"], [])
        self.assertEqual(run.result["diff"], {"before": {}, "after": {}})

    def test_an_address_change_returns_the_final_address(self):
        run = self.run_module("config", address="192.168.1.21",
                              lan=dict(ip="192.168.1.50", mask=None, dhcp=None))
        self.assertEqual((run.result["address"], run.result["final_address"]),
                         ("192.168.1.21", "192.168.1.50"), run.text)
        self.assertEqual(run.records[0]["document"], {"lan": {"ip": "192.168.1.50"}})

    def test_a_failed_step_fails_the_task_with_its_reason(self):
        run = self.run_module("config", fail="wireless:5", **OFFICE)
        self.assertEqual(run.rc, 1)
        r = run.result
        self.assertTrue(r["failed"])
        self.assertEqual((r["msg"], r["failed_step"], r["exit_status"]),
                         ("Repeater respon timeout !!", "wireless", 5))
        # The password step before it did change the repeater.
        self.assertTrue(r["changed"])
        self.assertEqual([s["result"] for s in r["steps"]], ["changed", "failed", "not run"])

    def test_a_refused_login_and_refused_input(self):
        run = self.run_module("config", address="192.168.1.21", device_password="wrong",
                              password=NEW_PASSWORD)
        self.assertEqual((run.result["failed_step"], run.result["exit_status"]), ("read", 4))
        self.assertFalse(run.result["changed"])
        self.assertIn("Login Username/Password Incorrect!", run.result["msg"])

    def test_no_result_from_tamselctl(self):
        run = self.run_module("config", fail="garbage", **OFFICE)
        self.assertTrue(run.result["failed"])
        self.assertIn("tamselctl apply failed (exit status 3)", run.result["msg"])

    def test_a_wrong_option_never_reaches_tamselctl(self):
        run = self.run_module("config", address="192.168.1.21", wireless=dict(ssid="x",
                              security="wpa3"))
        self.assertTrue(run.result["failed"])
        self.assertEqual(run.records, [])


class InfoTest(StandIn):
    def test_status_as_facts_with_the_password_on_stdin(self):
        run = self.run_module("info", address="192.168.1.21", device_password=DEVICE_PASSWORD)
        self.assertEqual(run.rc, 0, run.text)
        (record,) = run.records
        self.assertEqual(record["argv"], ["status", "192.168.1.21", "--json", "--password-file",
                                          "/dev/stdin"])
        self.assertEqual(record["password"], digest(DEVICE_PASSWORD))
        facts = run.result["ansible_facts"]["tamsel_repeater"]
        self.assertEqual((facts["lanIp"], facts["ssid"]), ("192.168.1.21", "Lobby"))
        self.assertFalse(run.result["changed"])

    def test_without_a_password_and_with_a_wrong_one(self):
        run = self.run_module("info", check_mode=True, address="192.168.1.21")
        self.assertEqual(run.records[0]["argv"], ["status", "192.168.1.21", "--json"])
        self.assertEqual(run.rc, 0, run.text)
        run = self.run_module("info", address="192.168.1.21", device_password="wrong")
        self.assertTrue(run.result["failed"])
        self.assertEqual(run.result["msg"], "tamselctl status failed (exit status 4): "
                         "tamselctl: Login Username/Password Incorrect!")


class DiscoverTest(StandIn):
    def test_the_list_and_a_search_at_a_block(self):
        run = self.run_module("discover", address="192.168.7.0/24")
        self.assertEqual(run.records[0]["argv"], ["discover", "--json", "--address",
                                                  "192.168.7.0/24"])
        self.assertEqual([r["ip"] for r in run.result["repeaters"]], ["192.168.1.1"])
        run = self.run_module("discover")
        self.assertEqual(run.records[0]["argv"], ["discover", "--json"])

    def test_dropped_answers_fail_with_the_firewall_line_and_the_list(self):
        run = self.run_module("discover", fail="firewall")
        self.assertTrue(run.result["failed"])
        self.assertIn("sudo ufw allow tamsel", run.result["msg"])
        self.assertEqual(len(run.result["repeaters"]), 1)


class NoLogTest(unittest.TestCase):
    def secret_flags(self, spec, path=""):
        for name, option in spec.items():
            yield path + name, name in SECRET_OPTIONS, option.get("no_log", False)
            yield from self.secret_flags(option.get("options") or {}, path + name + ".")

    def test_every_secret_option_is_no_log_and_nothing_else_is(self):
        for module in (config, discover, info):
            for name, secret, no_log in self.secret_flags(module.ARGUMENT_SPEC):
                self.assertEqual(no_log, secret, f"{module.__name__}: {name}")
        names = [n for n, secret, _ in self.secret_flags(config.ARGUMENT_SPEC) if secret]
        self.assertEqual(sorted(names), ["device_password", "password", "wireless.key"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
