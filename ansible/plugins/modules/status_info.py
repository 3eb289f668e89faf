#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) 2026 The orv developers
# BSD 2-Clause License (see LICENSE or https://opensource.org/licenses/BSD-2-Clause)
# SPDX-License-Identifier: BSD-2-Clause

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: status_info
short_description: Read the state of services and supervised processes through orv
version_added: 0.0.1
description:
  - Returns the state of every service of the live set, from C(orv live status --json), and the
    supervision status of the processes named in C(processes), from C(orv process status --json).
  - Changes nothing.
  - Runs C(orv), found on the managed host's search path or given by C(orv), never a shell.
author:
  - The orv developers (!UNKNOWN)
options:
  essentials:
    description:
      - Include the essential services in C(live) (C(--with-essentials)).
    type: bool
    default: false
  processes:
    description:
      - The services whose supervised processes to report in C(processes).
    type: list
    elements: str
    default: []
  logs:
    description:
      - Report the loggers of the processes too, where a service has one (C(--with-logs)).
    type: bool
    default: false
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
  - orv.orv.orv
attributes:
  check_mode:
    support: full
    details: Changes nothing, so runs the same in check mode.
  diff_mode:
    support: N/A
    details: Changes nothing.
  platform:
    platforms: posix
requirements:
  - orv on the managed host.
seealso:
  - module: orv.orv.live
  - module: orv.orv.process
'''

EXAMPLES = r'''
- name: Read the state of every service, essential ones included
  orv.orv.status_info:
    essentials: true
  register: orv_state

- name: List the services that are down
  ansible.builtin.debug:
    msg: "{{ orv_state.live | rejectattr('up') | map(attribute='name') | list }}"

- name: Read the daemons of web and db
  orv.orv.status_info:
    processes: [ web, db ]
  register: daemons
'''

RETURN = r'''
live:
  description: Every service of the live set, those that are up first, as C(orv live status --json) gives it.
  returned: success
  type: list
  elements: dict
  contains:
    name:
      description: The service's name (an array of byte values for a name that is not valid UTF-8).
      type: raw
      sample: web
    up:
      description: Whether the service is up.
      type: bool
      sample: true
  sample: [ { name: db, up: true }, { name: web, up: false } ]
processes:
  description:
    - The objects of C(orv process status --json) for the names in C(processes), in the same order (an empty list
      without names).
    - See M(orv.orv.process) for their keys.
  returned: success
  type: list
  elements: dict
  sample: [ { service: web, dir: /run/service/web, logger: false, up: true, pid: 4242,
              stamp1: "@400000006942a1b20c5e1f00", stamp2: "@400000006942a1b20c5e1f00", wstat: 0, flags: 0 } ]
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.orv.orv.plugins.module_utils.orv import (
    COMMON_ARGS, base_command, status_array)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            essentials=dict(type='bool', default=False),
            processes=dict(type='list', elements='str', default=[]),
            logs=dict(type='bool', default=False),
            **COMMON_ARGS
        ),
        supports_check_mode=True,
    )
    p = module.params
    base = base_command(module)
    cmd = base + ['live', 'status', '--json']
    if p['essentials']:
        cmd.append('--with-essentials')
    live = status_array(module, cmd, 'orv live status')
    processes = []
    if p['processes']:
        cmd = base + ['process', 'status', '--json']
        if p['logs']:
            cmd.append('--with-logs')
        cmd += ['--'] + p['processes']
        processes = status_array(module, cmd, 'orv process status', returned='processes',
                                 live=live)
    module.exit_json(changed=False, live=live, processes=processes)


if __name__ == '__main__':
    main()
