#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Zelkora. See the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: info
short_description: Read a KV-Q3150Tx repeater's status as facts
description:
  - Reads a KV-Q3150Tx wireless repeater's LAN, interface and status pages with
    C(tamselctl status --json) and sets its thirteen status values as the fact
    C(tamsel_repeater) of the host.
  - Sends only reads; changes nothing.
  - The device password, when given, reaches tamselctl only on its standard input
    (C(--password-file /dev/stdin)), never in its argument list or environment.
version_added: "1.0.0"
author:
  - Tamsel developers (@tamsel)
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
  - tamsel.repeater.tamselctl
attributes:
  check_mode:
    support: full
    details: The module only reads, in check mode as otherwise.
  diff_mode:
    support: none
options:
  address:
    description:
      - The repeater's IPv4 address.
    type: str
    required: true
  device_password:
    description:
      - The repeater's administrator password.
      - Needed only when the repeater's discovery answer does not give it.
    type: str
seealso:
  - module: tamsel.repeater.config
  - module: tamsel.repeater.discover
"""

EXAMPLES = r"""
- name: Read the repeater's status
  tamsel.repeater.info:
    address: "{{ ansible_host }}"
  connection: local

- name: Show its firmware version
  ansible.builtin.debug:
    msg: "{{ inventory_hostname }} runs {{ tamsel_repeater.firmwareVersion }}"
"""

RETURN = r"""
ansible_facts:
  description: The facts the module sets.
  returned: success
  type: complex
  contains:
    tamsel_repeater:
      description:
        - The repeater's status, as C(tamselctl status --json) writes it - C(macAddress),
          C(firmwareVersion), C(lanIp), C(lanMask), C(dhcpServer), C(mode), C(security),
          C(wanIp), C(ssid), C(wanMask), C(gateway), C(dns1) and C(dns2), all strings.
      returned: success
      type: dict
      sample:
        macAddress: 00:1A:2B:00:00:01
        firmwareVersion: 1.3.07 (Jun 14 2011)
        lanIp: 192.168.1.1
        lanMask: 255.255.255.0
        dhcpServer: Enabled
        mode: AP
        security: AES
        wanIp: 192.168.1.1
        ssid: Office
        wanMask: 255.255.255.0
        gateway: 192.168.1.254
        dns1: 192.168.1.254
        dns2: 0.0.0.0
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tamsel.repeater.plugins.module_utils.tamselctl import (
    TAMSELCTL_PATH_OPTION, failure_message, parse_json, run_tamselctl)

ARGUMENT_SPEC = dict(
    address=dict(type="str", required=True),
    device_password=dict(type="str", no_log=True),
    tamselctl_path=TAMSELCTL_PATH_OPTION,
)


def status_arguments(params):
    """tamselctl's arguments; the password, when given, is read from its standard input."""
    args = ["status", params["address"], "--json"]
    if params.get("device_password") is not None:
        args += ["--password-file", "/dev/stdin"]
    return args


def main():
    module = AnsibleModule(argument_spec=ARGUMENT_SPEC, supports_check_mode=True)
    rc, stdout, stderr = run_tamselctl(module, status_arguments(module.params),
                                       secret_input=module.params.get("device_password"))
    if rc != 0:
        module.fail_json(msg=failure_message("status", rc, stderr), rc=rc, stderr=stderr)
    status = parse_json(module, "status", rc, stdout, stderr, dict)
    module.exit_json(changed=False, ansible_facts=dict(tamsel_repeater=status))


if __name__ == "__main__":
    main()
