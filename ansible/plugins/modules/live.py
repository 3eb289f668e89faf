#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) 2026 The orv developers
# BSD 2-Clause License (see LICENSE or https://opensource.org/licenses/BSD-2-Clause)
# SPDX-License-Identifier: BSD-2-Clause

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: live
short_description: Start, stop and restart services of the tuvo service manager through orv
version_added: 0.0.1
description:
  - Brings services of the live service set up or down with C(orv live start), C(orv live stop)
    and C(orv live restart), dependencies included, as orv does.
  - Reads the current state with C(orv live status --with-essentials --json) first, so that
    C(started) and C(stopped) change nothing when every atomic service that the names stand for is
    already up, or already down.
  - Runs C(orv), found on the managed host's search path or given by C(orv), never the service
    manager's tools directly and never a shell.
author:
  - The orv developers (!UNKNOWN)
options:
  name:
    description:
      - The services, as C(orv live) takes them; a bundle stands for the atomic services it holds.
    type: list
    elements: str
    required: true
    aliases: [ service ]
  state:
    description:
      - C(started) and C(stopped) are idempotent; C(restarted) always stops and starts the services.
    type: str
    required: true
    choices: [ started, stopped, restarted ]
  timeout:
    description:
      - Abort the change if it is not done after this many milliseconds; C(0) for no limit.
    type: int
    default: 0
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
  - orv.orv.orv
attributes:
  check_mode:
    support: full
    details:
      - When a change is due, runs orv's dry run (C(--dry-run)) and returns what it would do in C(stdout).
  diff_mode:
    support: full
    details:
      - One line per atomic service, its name and C(/up) or C(/down), before and after.
  platform:
    platforms: posix
notes:
  - Essential services are included in the state that is compared when they are named, or held by a named bundle.
  - When a change fails, the task fails with orv's exit code in C(rc); orv's report of the services that
    changed all the same is in C(msg) and C(stdout), the service manager's own message in C(stderr).
requirements:
  - orv on the managed host.
seealso:
  - module: orv.orv.process
  - module: orv.orv.status_info
'''

EXAMPLES = r'''
- name: Bring web up, with what it depends on
  orv.orv.live:
    name: web
    state: started

- name: Take the default bundle down, giving up after ten seconds
  orv.orv.live:
    name: [ default ]
    state: stopped
    timeout: 10000

- name: Restart db and cache in a sandbox's live directory
  orv.orv.live:
    name: [ db, cache ]
    state: restarted
    livedir: /tmp/sandbox/live
    orv: /opt/orv/bin/orv
'''

RETURN = r'''
services:
  description: The status of the atomic services that the names stand for, after the run, as C(orv live status --json) gives it.
  returned: success, and failure of the change
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
  sample: [ { name: web, up: true } ]
cmd:
  description: The orv command that changed the state, or that check mode ran as a dry run.
  returned: when a change ran or would run
  type: list
  elements: str
  sample: [ /usr/bin/orv, --verbosity=1, --color=no, live, start, --, web ]
rc:
  description: orv's exit code.
  returned: when a change ran or would run
  type: int
  sample: 1
stdout:
  description: What orv printed on standard output; after a failed change, its report of the services that changed.
  returned: when a change ran or would run
  type: str
  sample: "orvctl: the following services were brought up: db\n"
stderr:
  description: What orv printed on standard error.
  returned: when a change ran or would run
  type: str
  sample: "tuvo: fatal: unable to start web\n"
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.orv.orv.plugins.module_utils.orv import (
    COMMON_ARGS, base_command, fail_run, live_plan, state_lines, status_array)


def status(module, base, names):
    """The status of the atomic services of names; of every service when
    names is empty."""
    cmd = base + ['live', 'status', '--with-essentials', '--json']
    if names:
        cmd += ['--'] + names
    return status_array(module, cmd, 'orv live status')


def main():
    module = AnsibleModule(
        argument_spec=dict(
            name=dict(type='list', elements='str', required=True, aliases=['service']),
            state=dict(type='str', required=True, choices=['started', 'stopped', 'restarted']),
            timeout=dict(type='int', default=0),
            **COMMON_ARGS
        ),
        supports_check_mode=True,
    )
    names = module.params['name']
    if not names:
        module.fail_json(msg='name: at least one service is needed')
    if module.params['timeout'] < 0:
        module.fail_json(msg='timeout: milliseconds, 0 or more')
    base = base_command(module)
    before = status(module, base, names)
    sub, expected = live_plan(before, module.params['state'])
    result = dict(changed=sub is not None, services=before)
    if sub is None:
        module.exit_json(**result)

    cmd = base + ['live', sub]
    if module.params['timeout']:
        cmd.append('--timeout=%d' % module.params['timeout'])
    if module.check_mode:
        cmd.append('--dry-run')
    cmd += ['--'] + names
    # What a failed change did to services outside the names counts too.
    everything = None if module.check_mode else status(module, base, [])
    rc, out, err = module.run_command(cmd)
    result.update(cmd=cmd, rc=rc, stdout=out, stderr=err)
    if module.check_mode:
        after = expected
    else:
        after = status(module, base, names)
        result['services'] = after
    if module._diff:
        result['diff'] = dict(before=state_lines(before), after=state_lines(after))
    if rc != 0:
        # A change that failed part-way may still have changed something.
        result['changed'] = not module.check_mode and status(module, base, []) != everything
        del result['cmd'], result['rc'], result['stdout'], result['stderr']
        fail_run(module, 'orv live %s' % sub, cmd, rc, out, err, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
