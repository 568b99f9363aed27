#!/usr/bin/env bash
# Redraws resources/<name>.png from resources/svg/<name>.svg with the project's own
# renderer (Qt's SVG renderer, 20 x 20 pixels), and the application icon's 48-pixel PNG
# from packaging/icons/scalable/lankit.svg. Run after editing an SVG; commit both.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="$(scripts/build.sh release | tail -n 1)"
QT_QPA_PLATFORM=offscreen "$dir/bin/lankit-render-icons" resources/svg resources
QT_QPA_PLATFORM=offscreen "$dir/bin/lankit-render-icons" packaging/icons/scalable packaging/icons/48x48 48
git status --short resources packaging/icons
