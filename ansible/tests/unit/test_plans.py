# -*- coding: utf-8 -*-
# Copyright (c) 2026 The orv developers
# BSD 2-Clause License (see LICENSE or https://opensource.org/licenses/BSD-2-Clause)
# SPDX-License-Identifier: BSD-2-Clause
"""What the modules run for each current state and each wanted state, from
orv's JSON. Standard library only: the shared code does not import Ansible."""

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import importlib.util
import json
import os
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location(
    'orv_module_utils', os.path.join(HERE, '..', '..', 'plugins', 'module_utils', 'orv.py'))
orv = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(orv)


def fixture(name):
    with open(os.path.join(HERE, 'fixtures', name + '.json')) as f:
        return json.load(f)


class LivePlan(unittest.TestCase):
    # fixture, state, subcommand (None: nothing runs), up after each service
    CASES = [
        ('live-up', 'started', None, [True, True]),
        ('live-up', 'stopped', 'stop', [False, False]),
        ('live-up', 'restarted', 'restart', [True, True]),
        ('live-down', 'started', 'start', [True, True]),
        ('live-down', 'stopped', None, [False, False]),
        ('live-down', 'restarted', 'restart', [True, True]),
        # A bundle with one service up and one down: both directions change.
        ('live-mixed', 'started', 'start', [True, True]),
        ('live-mixed', 'stopped', 'stop', [False, False]),
    ]

    def test_table(self):
        for name, state, sub, ups in self.CASES:
            with self.subTest(fixture=name, state=state):
                status = fixture(name)
                got, after = orv.live_plan(status, state)
                self.assertEqual(got, sub)
                self.assertEqual([e['up'] for e in after], ups)
                self.assertEqual([e['name'] for e in after], [e['name'] for e in status])

    def test_nothing_to_compare(self):
        # A bundle that stands for no atomic service is in every state.
        for state in ('started', 'stopped'):
            self.assertEqual(orv.live_plan([], state), (None, []))
        self.assertEqual(orv.live_plan([], 'restarted')[0], 'restart')


class ProcessPlan(unittest.TestCase):
    # fixture, state, options, orv process arguments (None: nothing runs), up after
    CASES = [
        ('process-up', 'started', {}, None, [True, True]),
        # Only the process that is down is started, with --wait by default.
        ('process-mixed', 'started', {}, ['start', '--wait', '--', 'web'], [True, True]),
        ('process-mixed', 'started', {'wait': False}, ['start', '--', 'web'], [True, True]),
        ('process-mixed', 'stopped', {'permanent': True, 'timeout': 500},
         ['stop', '--permanent', '--wait', '--timeout=500', '--', 'db'], [False, False]),
        ('process-up', 'stopped', {}, ['stop', '--wait', '--', 'db', 'web'], [False, False]),
        ('process-mixed', 'restarted', {}, ['restart', '--wait', '--', 'db', 'web'], [True, True]),
        ('process-up', 'restarted', {'wait': False, 'permanent': True},
         ['restart', '--', 'db', 'web'], [True, True]),
        # A signal waits only when asked: waiting means waiting for the end.
        ('process-up', 'signalled', {'signal': 'HUP'},
         ['kill', '--signal=HUP', '--', 'db', 'web'], [True, True]),
        ('process-mixed', 'signalled', {'signal': '15', 'wait': True, 'timeout': 300},
         ['kill', '--signal=15', '--wait', '--timeout=300', '--', 'db', 'web'], [True, False]),
    ]

    def test_table(self):
        for name, state, opts, args, ups in self.CASES:
            with self.subTest(fixture=name, state=state, opts=opts):
                got, after = orv.process_plan(fixture(name), state, **opts)
                self.assertEqual(got, args)
                self.assertEqual([e['up'] for e in after], ups)


class Texts(unittest.TestCase):
    def test_diff_lines(self):
        self.assertEqual(orv.state_lines(fixture('live-bytes')),
                         'web/up\nfo\\xff/down\n')
        self.assertEqual(orv.state_lines(orv.process_entries(fixture('process-mixed'))),
                         'db/up\nweb/down\n')
        self.assertEqual(orv.state_lines([]), '')

    def test_process_errors(self):
        self.assertEqual(orv.process_errors(fixture('process-error')),
                         '/run/service/web: No such file or directory\n')
        self.assertEqual(orv.process_errors(fixture('process-up')), '')
        self.assertEqual(orv.process_errors(None), '')


if __name__ == '__main__':
    unittest.main()
