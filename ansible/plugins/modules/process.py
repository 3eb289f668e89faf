#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright (c) 2026 The orv developers
# BSD 2-Clause License (see LICENSE or https://opensource.org/licenses/BSD-2-Clause)
# SPDX-License-Identifier: BSD-2-Clause

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: process
short_description: Start, stop, restart and signal supervised processes through orv
version_added: 0.0.1
description:
  - Acts on supervised long-running processes, one level below the service manager, with
    C(orv process start), C(stop), C(restart) and C(kill); the service manager's state of the
    services is left as it is.
  - Reads the current state with C(orv process status --json) first, so that C(started) and
    C(stopped) change nothing when every process is already up, or already down, and pass on only
    the processes that are not.
  - Runs C(orv), found on the managed host's search path or given by C(orv), never the supervision
    suite's tools directly and never a shell.
author:
  - The orv developers (!UNKNOWN)
options:
  name:
    description:
      - The services whose supervised processes to act on; each must have a service directory in the scan directory.
    type: list
    elements: str
    required: true
    aliases: [ service ]
  state:
    description:
      - C(started) and C(stopped) are idempotent; C(restarted) and C(signalled) always run and report a change.
    type: str
    required: true
    choices: [ started, stopped, restarted, signalled ]
  signal:
    description:
      - With C(state=signalled), the signal to send, a name (with or without C(SIG), in any case) or a number,
        as C(orv process kill --signal) takes it.
    type: raw
  permanent:
    description:
      - With C(started) and C(stopped), make the new state the process's standing state, which the supervisor
        keeps even if the service manager says otherwise (C(--permanent)).
    type: bool
    default: false
  wait:
    description:
      - Return only once the processes are up and ready, or confirmed dead (C(--wait)), so that the next task
        sees the state reached.
      - Defaults to C(true), except with C(signalled), where waiting means waiting for the daemon to end, which
        a signal such as C(HUP) never brings.
    type: bool
  timeout:
    description:
      - With C(wait), give up after this many milliseconds; C(0) for no limit.
    type: int
    default: 0
extends_documentation_fragment:
  - ansible.builtin.action_common_attributes
  - orv.orv.orv
attributes:
  check_mode:
    support: full
    details:
      - Reads the status and says whether a change is due; runs nothing else (orv has no dry run for processes).
  diff_mode:
    support: full
    details:
      - One line per process, its name and C(/up) or C(/down), before and after.
  platform:
    platforms: posix
notes:
  - When orv fails, the task fails with orv's exit code in C(rc) and orv's messages in C(msg), C(stdout) and C(stderr).
requirements:
  - orv on the managed host.
seealso:
  - module: orv.orv.live
  - module: orv.orv.status_info
'''

EXAMPLES = r'''
- name: Make sure the daemon of web runs, without asking the service manager
  orv.orv.process:
    name: web
    state: started

- name: Stop db's daemon for good, waiting at most five seconds
  orv.orv.process:
    name: db
    state: stopped
    permanent: true
    timeout: 5000

- name: Ask web's daemon to reread its configuration
  orv.orv.process:
    name: web
    state: signalled
    signal: HUP
'''

RETURN = r'''
processes:
  description: The status of the processes after the run, the objects of C(orv process status --json).
  returned: always
  type: list
  elements: dict
  contains:
    service:
      description: The name given.
      type: str
      sample: web
    dir:
      description: The service directory.
      type: str
      sample: /run/service/web
    logger:
      description: Whether the directory is a logger's.
      type: bool
      sample: false
    up:
      description: Whether a process is recorded.
      type: bool
      sample: true
    pid:
      description: The process id, 0 for none.
      type: int
      sample: 4242
    stamp1:
      description: The supervisor's first time stamp, TAI64N as C(@) and 24 hexadecimal digits.
      type: str
      sample: "@400000006942a1b20c5e1f00"
    stamp2:
      description: The supervisor's second time stamp.
      type: str
      sample: "@400000006942a1b20c5e1f00"
    wstat:
      description: The wait status of the last process.
      type: int
      sample: 0
    flags:
      description: The status record's flags.
      type: int
      sample: 0
cmd:
  description: The orv command that ran.
  returned: when a change ran
  type: list
  elements: str
  sample: [ /usr/bin/orv, --verbosity=1, --color=no, process, start, --wait, --, web ]
rc:
  description: orv's exit code.
  returned: when a change ran
  type: int
  sample: 0
stdout:
  description: What orv printed on standard output.
  returned: when a change ran
  type: str
  sample: ""
stderr:
  description: What orv printed on standard error.
  returned: when a change ran
  type: str
  sample: ""
'''

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.common.text.converters import to_text
from ansible_collections.orv.orv.plugins.module_utils.orv import (
    COMMON_ARGS, base_command, fail_run, process_entries, process_plan, state_lines, status_array)


def status(module, base, names):
    cmd = base + ['process', 'status', '--json', '--'] + names
    return status_array(module, cmd, 'orv process status', returned='processes')


def main():
    module = AnsibleModule(
        argument_spec=dict(
            name=dict(type='list', elements='str', required=True, aliases=['service']),
            state=dict(type='str', required=True,
                       choices=['started', 'stopped', 'restarted', 'signalled']),
            signal=dict(type='raw'),
            permanent=dict(type='bool', default=False),
            wait=dict(type='bool'),
            timeout=dict(type='int', default=0),
            **COMMON_ARGS
        ),
        required_if=[('state', 'signalled', ['signal'])],
        supports_check_mode=True,
    )
    p = module.params
    names = p['name']
    if not names:
        module.fail_json(msg='name: at least one service is needed')
    if p['timeout'] < 0:
        module.fail_json(msg='timeout: milliseconds, 0 or more')
    signal = to_text(p['signal']) if p['signal'] is not None else None
    base = base_command(module)
    before = status(module, base, names)
    args, expected = process_plan(before, p['state'], signal=signal, permanent=p['permanent'],
                                  wait=p['wait'], timeout=p['timeout'])
    result = dict(changed=args is not None, processes=before)
    if args is None or module.check_mode:
        if module._diff:
            result['diff'] = dict(before=state_lines(process_entries(before)),
                                  after=state_lines(expected))
        module.exit_json(**result)

    cmd = base + ['process'] + args
    rc, out, err = module.run_command(cmd)
    after = status(module, base, names)
    result.update(cmd=cmd, rc=rc, stdout=out, stderr=err, processes=after)
    if module._diff:
        result['diff'] = dict(before=state_lines(process_entries(before)),
                              after=state_lines(process_entries(after)))
    if rc != 0:
        del result['cmd'], result['rc'], result['stdout'], result['stderr']
        fail_run(module, 'orv process %s' % args[0], cmd, rc, out, err, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
