#!/usr/bin/env bash
# Builds the program, writes the sample data next to it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset default
cmake --build --preset default
exec build/bin/catalogue
