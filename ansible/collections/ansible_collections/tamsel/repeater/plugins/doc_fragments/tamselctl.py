# -*- coding: utf-8 -*-
# Copyright: 2026 Zelkora. See the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    # What every module of the collection shares: tamselctl, where it runs, and the option
    # that chooses the program.
    DOCUMENTATION = r"""
options:
  tamselctl_path:
    description:
      - The tamselctl program to run, a path or a name looked up on the PATH.
    type: path
    default: tamselctl
requirements:
  - tamselctl (package C(tamsel)) on the host that runs the module
attributes:
  platform:
    platforms: posix
notes:
  - The module runs tamselctl on the host that runs the module, which must be the PC of
    the repeaters' LAN. Give the task C(connection=local) or C(delegate_to=localhost),
    with C(ansible_host) set to the repeater's address.
"""
