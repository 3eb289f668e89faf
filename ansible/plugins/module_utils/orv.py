# -*- coding: utf-8 -*-
# Copyright (c) 2026 The orv developers
# BSD 2-Clause License (see LICENSE or https://opensource.org/licenses/BSD-2-Clause)
# SPDX-License-Identifier: BSD-2-Clause

"""Shared code of the orv.orv modules: how orv is run and what to run.

The decision functions take orv's JSON status (already parsed) and the
requested state and return plain data, so that they can be tested without
Ansible or orv.
"""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json

# Options every module that runs orv takes, documented once in the
# documentation fragment orv.orv.orv (plugins/doc_fragments/orv.py).
COMMON_ARGS = dict(
    orv=dict(type='path'),
    livedir=dict(type='path'),
    scandir=dict(type='path'),
    repodir=dict(type='path'),
)


def base_command(module):
    """orv and its global options, as a list for run_command.

    The verbosity is set to 1 so that a failed change is always followed by
    orv's report, whatever the environment of the managed host says.
    """
    p = module.params
    orv = p.get('orv') or module.get_bin_path('orv', required=True)
    cmd = [orv, '--verbosity=1', '--color=no']
    for key in ('scandir', 'livedir', 'repodir'):
        if p.get(key):
            cmd.append('--%s=%s' % (key, p[key]))
    return cmd


def run_json(module, cmd):
    """Runs a --json query; returns (rc, parsed or None, stdout, stderr)."""
    rc, out, err = module.run_command(cmd)
    try:
        data = json.loads(out) if out.strip() else None
    except ValueError:
        data = None
    return rc, data, out, err


def fail_run(module, what, cmd, rc, out, err, **extra):
    """Fails the task with orv's exit code and its own words."""
    text = '\n'.join(s for s in (err.strip(), out.strip()) if s)
    msg = '%s failed (orv exit %d)' % (what, rc)
    if text:
        msg += ': ' + text
    module.fail_json(msg=msg, rc=rc, cmd=cmd, stdout=out, stderr=err, **extra)


def status_array(module, cmd, what, returned=None, **extra):
    """Runs a --json status query and returns its array; fails the task with
    orv's exit code and words when orv fails or gives no array. returned:
    the key under which the failed task returns what orv gave (an empty list
    for nothing)."""
    rc, data, out, err = run_json(module, cmd)
    if rc != 0 or not isinstance(data, list):
        if returned:
            extra[returned] = data or []
        fail_run(module, what, cmd, rc, process_errors(data) or out, err, **extra)
    return data


def process_errors(objects):
    """The errors that `orv process status --json` gave, one line per
    directory, or an empty text."""
    if not isinstance(objects, list):
        return ''
    return ''.join('%s: %s\n' % (o.get('dir'), o['error'])
                   for o in objects if isinstance(o, dict) and o.get('error'))


def name_text(name):
    """A service name from orv's JSON: a string, or the byte values of a
    name that is not valid UTF-8."""
    if isinstance(name, list):
        return bytes(name).decode('utf-8', 'backslashreplace')
    return name


def state_lines(entries):
    """The diff text: one line per service, its name and /up or /down, as
    the text form of orv's status prints it."""
    return ''.join('%s/%s\n' % (name_text(e['name']), 'up' if e['up'] else 'down')
                   for e in entries)


def live_plan(status, state):
    """What orv.orv.live runs for the current status of the named services.

    status: the array of `orv live status --json NAMES`.
    Returns (subcommand or None, the expected status after it).
    """
    if state == 'restarted':
        return 'restart', [dict(e, up=True) for e in status]
    want_up = state == 'started'
    if all(bool(e['up']) == want_up for e in status):
        return None, status
    return ('start' if want_up else 'stop'), [dict(e, up=want_up) for e in status]


def process_entries(objects):
    """The process status objects as name/up entries for the diff."""
    return [dict(name=o['service'], up=o['up']) for o in objects]


def process_plan(objects, state, signal=None, permanent=False, wait=None, timeout=0):
    """What orv.orv.process runs for the current status of the named
    processes.

    objects: the array of `orv process status --json NAMES`.
    Returns (orv process arguments or None, the expected entries after).
    Only the processes not yet in the wanted state are passed to orv, so that
    a standing state given by --permanent is not set on the others.
    """
    entries = process_entries(objects)
    names = [o['service'] for o in objects]
    # Waiting on a signal means waiting for the daemon's end, which a signal
    # such as HUP never brings: only when asked for.
    if wait is None:
        wait = state != 'signalled'
    opts = []
    if wait:
        opts.append('--wait')
    if timeout:
        opts.append('--timeout=%d' % timeout)
    if state == 'restarted':
        return ['restart'] + opts + ['--'] + names, [dict(e, up=True) for e in entries]
    if state == 'signalled':
        return ['kill', '--signal=%s' % signal] + opts + ['--'] + names, entries
    want_up = state == 'started'
    todo = [o['service'] for o in objects if bool(o['up']) != want_up]
    if not todo:
        return None, entries
    if permanent:
        opts.insert(0, '--permanent')
    args = ['start' if want_up else 'stop'] + opts + ['--'] + todo
    return args, [dict(e, up=want_up) for e in entries]
