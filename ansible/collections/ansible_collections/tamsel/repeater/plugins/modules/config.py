#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Zelkora. See the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: config
short_description: Bring a KV-Q3150Tx repeater to a desired state
description:
  - Sets a KV-Q3150Tx wireless repeater's administrator password, wireless bridge,
    firmware and LAN address to the values given, and changes only what differs.
  - A thin wrapper over C(tamselctl apply), which reads the repeater first (its
    discovery answer and its LAN, interface and status pages), compares field by field
    and changes only what differs, in this order - password, wireless, firmware, and the
    LAN address last, after which it finds the repeater again at its new address.
  - Every option but I(address) is optional; a field left out is left as it is.
  - Secrets (I(device_password), I(password) and the wireless I(key)) are marked C(no_log) and
    reach tamselctl only on its standard input, never in its argument list or environment.
version_added: "1.0.0"
author:
  - Tamsel developers (@tamsel)
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
  - tamsel.repeater.tamselctl
attributes:
  check_mode:
    support: full
    details: Runs C(tamselctl apply --check), which sends only the reads.
  diff_mode:
    support: full
    details: Before and after of every field given; secrets are shown as "(set)" and
      "(changed)", never as their value.
options:
  address:
    description:
      - The repeater's present IPv4 address.
    type: str
    required: true
  device_password:
    description:
      - The repeater's present administrator password.
      - Needed only when the repeater's discovery answer does not give it.
    type: str
  lan:
    description:
      - The repeater's LAN settings.
      - A new address moves the repeater; the module finds it again there and returns it
        as I(final_address).
    type: dict
    suboptions:
      ip:
        description: The LAN address, for example C(192.168.1.50).
        type: str
      mask:
        description: The subnet mask, contiguous, for example C(255.255.255.0).
        type: str
      dhcp:
        description: Whether the repeater's DHCP server runs.
        type: bool
  wireless:
    description:
      - The wireless network the repeater bridges to.
      - The key cannot be read back from the repeater, so a bridging happens only when
        the SSID or security differs, or with C(force_key=true).
    type: dict
    suboptions:
      ssid:
        description: The network's SSID.
        type: str
      security:
        description: The network's security.
        type: str
        choices: [none, wep, tkip, aes]
      key:
        description: The network key; long enough for its security.
        type: str
      key_index:
        description: The WEP key index.
        type: int
        choices: [1, 2, 3, 4]
      force_key:
        description:
          - Bridge again with the key even when SSID and security are already as given.
          - Such a task reports a change on every run.
        type: bool
  password:
    description:
      - The new administrator password.
    type: str
  firmware:
    description:
      - The firmware version to run, and the image that gives it.
      - The image is uploaded only when the repeater runs another version.
    type: dict
    suboptions:
      version:
        description: The firmware version wanted, as the repeater's status shows it.
        type: str
      image:
        description:
          - Path of the firmware image on the host that runs the module. Give it whole -
            a relative path is not looked up beside the playbook.
        type: path
notes:
  - The device password is taken from I(device_password) when it is given (it travels in
    the desired-state document on tamselctl's standard input), else from the environment
    variable C(TAMSEL_PASSWORD) (the task's C(environment)), else from the repeater's
    discovery answer.
  - Many repeaters may be set up at once (C(forks)). A repeater on a subnet where the PC
    has no address needs one of the PC's four temporary addresses; when all four are
    taken, tamselctl waits for one to become free.
seealso:
  - module: tamsel.repeater.discover
  - module: tamsel.repeater.info
"""

EXAMPLES = r"""
- name: Bridge a repeater to the office network and give it a new address
  tamsel.repeater.config:
    address: 192.168.1.1
    wireless:
      ssid: Office
      security: aes
      key: "{{ office_wifi_key }}"
    lan:
      ip: 192.168.1.50
      mask: 255.255.255.0
      dhcp: false
  connection: local

- name: Set the administrator password and the firmware of every repeater
  tamsel.repeater.config:
    address: "{{ ansible_host }}"
    device_password: "{{ old_admin_password }}"
    password: "{{ new_admin_password }}"
    firmware:
      version: 3.1.5
      image: /srv/firmware/kv-q3150tx-3.1.5.bin
  connection: local
"""

RETURN = r"""
address:
  description: Where the repeater was reached at the start.
  returned: when tamselctl gave a result
  type: str
  sample: 192.168.1.1
final_address:
  description: Where the repeater is at the end; another address after a LAN change.
  returned: when tamselctl gave a result
  type: str
  sample: 192.168.1.50
steps:
  description:
    - The planned changes in order, each with what became of it -
      C(changed), C(would change) (check mode), C(failed) or C(not run).
  returned: when tamselctl gave a result
  type: list
  elements: dict
  sample: [{"step": "wireless", "result": "changed"}, {"step": "lan", "result": "changed"}]
failed_step:
  description:
    - The step that failed - C(input), C(read), C(password), C(wireless), C(firmware),
      C(lan) or C(find). The steps before it have been carried out.
  returned: failure
  type: str
  sample: wireless
exit_status:
  description: tamselctl's exit status for the failure (3 network, 4 login refused, ...).
  returned: failure
  type: int
  sample: 4
diff:
  description: Before and after of the fields given, secrets as "(set)" and "(changed)".
  returned: with C(--diff)
  type: dict
  sample: {"before": {"wireless": {"ssid": "Lobby"}}, "after": {"wireless": {"ssid": "Office"}}}
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tamsel.repeater.plugins.module_utils.tamselctl import (
    TAMSELCTL_PATH_OPTION, failure_message, parse_json, run_tamselctl)

ARGUMENT_SPEC = dict(
    address=dict(type="str", required=True),
    device_password=dict(type="str", no_log=True),
    lan=dict(type="dict", options=dict(
        ip=dict(type="str"),
        mask=dict(type="str"),
        dhcp=dict(type="bool"),
    )),
    wireless=dict(type="dict", options=dict(
        ssid=dict(type="str"),
        security=dict(type="str", choices=["none", "wep", "tkip", "aes"]),
        key=dict(type="str", no_log=True),
        key_index=dict(type="int", choices=[1, 2, 3, 4]),
        force_key=dict(type="bool"),
    )),
    password=dict(type="str", no_log=True),
    firmware=dict(type="dict", options=dict(
        version=dict(type="str"),
        image=dict(type="path"),
    )),
    tamselctl_path=TAMSELCTL_PATH_OPTION,
)

# The options that make up tamselctl apply's desired-state document, in its order.
DOCUMENT_FIELDS = ("device_password", "lan", "wireless", "password", "firmware")


def desired_state(params):
    """tamselctl apply's document from the module's options: the fields given, and
    nothing for an option or suboption left out."""
    document = {}
    for name in DOCUMENT_FIELDS:
        value = params.get(name)
        if isinstance(value, dict):
            value = dict((k, v) for k, v in value.items() if v is not None)
            if not value:
                continue
        if value is not None:
            document[name] = value
    return document


def apply_arguments(params, check_mode, diff_mode):
    """tamselctl's arguments; the document itself goes to its standard input."""
    args = ["apply", params["address"], "-"]
    if check_mode:
        args.append("--check")
    if diff_mode:
        args.append("--diff")
    return args


def module_result(applied, diff_mode):
    """The module's result from apply's result object."""
    result = dict(
        changed=bool(applied.get("changed")),
        address=applied.get("address"),
        final_address=applied.get("final_address"),
        steps=applied.get("steps") or [],
    )
    if diff_mode and isinstance(applied.get("diff"), dict):
        result["diff"] = dict(before=applied["diff"].get("before", {}),
                              after=applied["diff"].get("after", {}))
    return result


def main():
    module = AnsibleModule(argument_spec=ARGUMENT_SPEC, supports_check_mode=True)
    args = apply_arguments(module.params, module.check_mode, module._diff)
    document = module.jsonify(desired_state(module.params))
    rc, stdout, stderr = run_tamselctl(module, args, secret_input=document)
    applied = parse_json(module, "apply", rc, stdout, stderr, dict)
    result = module_result(applied, module._diff)
    failed = applied.get("failed")
    if failed or rc != 0:
        failed = failed if isinstance(failed, dict) else {}
        module.fail_json(msg=failed.get("reason") or failure_message("apply", rc, stderr),
                         failed_step=failed.get("step"),
                         exit_status=failed.get("exit_status", rc), rc=rc, stderr=stderr,
                         **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
