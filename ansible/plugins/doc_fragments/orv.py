# -*- coding: utf-8 -*-
# Copyright (c) 2026 The orv developers
# BSD 2-Clause License (see LICENSE or https://opensource.org/licenses/BSD-2-Clause)
# SPDX-License-Identifier: BSD-2-Clause

from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):
    # The options of every module that runs orv (COMMON_ARGS in module_utils/orv.py).
    DOCUMENTATION = r'''
options:
  orv:
    description:
      - Path of the C(orv) program; by default it is looked up on the search path.
    type: path
  livedir:
    description:
      - The service manager's live directory (orv's C(--livedir)); orv's own default when unset.
    type: path
  scandir:
    description:
      - The supervision tree's scan directory (orv's C(--scandir)); orv's own default when unset.
    type: path
  repodir:
    description:
      - The service set repository (orv's C(--repodir)); orv's own default when unset.
    type: path
'''
