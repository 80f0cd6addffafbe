#!/usr/bin/env bash
# Fails when a C++ source differs from what clang-format makes of it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/setup.sh
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
