#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Zelkora. See the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: discover
short_description: Find KV-Q3150Tx repeaters on the LAN
description:
  - Searches for KV-Q3150Tx wireless repeaters with C(tamselctl discover --json) and
    returns the list, one entry per MAC address.
  - Without I(address) the search is a broadcast on every adapter of the host that runs
    the module; with it, the search goes to that address or to every address of that
    block, which also reaches repeaters behind a router that answer to the sender.
  - Sends only the search; changes nothing.
version_added: "1.0.0"
author:
  - Tamsel developers (@tamsel)
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
  - tamsel.repeater.tamselctl
attributes:
  check_mode:
    support: full
    details: The module only searches, in check mode as otherwise.
  diff_mode:
    support: none
options:
  address:
    description:
      - An address (C(192.168.7.20)) or a block of at most 1024 addresses
        (C(192.168.7.0/24), at most a /22) to search instead of broadcasting.
    type: str
notes:
  - A search that finds nothing succeeds with an empty list.
  - When the host's firewall dropped some repeaters' answers, the module fails with
    tamselctl's line that says how to let them in, and still returns the repeaters
    whose answers came in.
seealso:
  - module: tamsel.repeater.info
  - module: tamsel.repeater.config
"""

EXAMPLES = r"""
- name: Find the repeaters of the LAN
  tamsel.repeater.discover:
  register: found
  delegate_to: localhost
  run_once: true

- name: Search one subnet behind a router
  tamsel.repeater.discover:
    address: 192.168.7.0/24
  register: far
  delegate_to: localhost
  run_once: true

- name: List their addresses
  ansible.builtin.debug:
    msg: "{{ found.repeaters | map(attribute='ip') | list }}"
"""

RETURN = r"""
repeaters:
  description:
    - The repeaters that answered, as C(tamselctl discover --json) writes them.
  returned: always
  type: list
  elements: dict
  contains:
    mac:
      description: The repeater's MAC address.
      type: str
      returned: always
      sample: 00:1A:2B:00:00:01
    ip:
      description: Its LAN address.
      type: str
      returned: always
      sample: 192.168.1.1
    model:
      description: Its model.
      type: str
      returned: always
      sample: KV-Q3150Tx
    mask:
      description: Its subnet mask.
      type: str
      returned: always
      sample: 255.255.255.0
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tamsel.repeater.plugins.module_utils.tamselctl import (
    TAMSELCTL_PATH_OPTION, failure_message, last_line, parse_json, run_tamselctl)

ARGUMENT_SPEC = dict(
    address=dict(type="str"),
    tamselctl_path=TAMSELCTL_PATH_OPTION,
)

# tamselctl discover's exit status when repeaters answered but the firewall dropped them.
EXIT_FIREWALL = 6


def discover_arguments(params):
    args = ["discover", "--json"]
    if params.get("address"):
        args += ["--address", params["address"]]
    return args


def main():
    module = AnsibleModule(argument_spec=ARGUMENT_SPEC, supports_check_mode=True)
    rc, stdout, stderr = run_tamselctl(module, discover_arguments(module.params))
    if rc not in (0, EXIT_FIREWALL):
        module.fail_json(msg=failure_message("discover", rc, stderr), rc=rc, stderr=stderr)
    repeaters = parse_json(module, "discover", rc, stdout, stderr, list)
    if rc == EXIT_FIREWALL:
        module.fail_json(msg=last_line(stderr), rc=rc, repeaters=repeaters)
    module.exit_json(changed=False, repeaters=repeaters)


if __name__ == "__main__":
    main()
