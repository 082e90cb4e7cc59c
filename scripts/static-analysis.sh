#!/usr/bin/env bash
# clang-tidy and cppcheck over the project's own code (the product and its
# Linux tests), and a check that the code follows .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh cmake ninja-build g++ clang-tidy cppcheck clang-format libgtest-dev libgmock-dev

build=build/analysis
cmake -S . -B "$build" -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
# Generated headers and test discovery need a build; analysis needs only the commands.
cmake --build "$build" >/dev/null

sources=$(ls mode/*.cpp sampler/*.cpp registry/*.cpp platform/*.cpp platform/linux/*.cpp \
             tests/core/*.cpp tests/linux/*.cpp tests/fake/*.cpp tests/support/*.cpp tests/cli/*.cpp)

echo "clang-tidy"
# shellcheck disable=SC2086
printf '%s\n' $sources | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet

echo "cppcheck"
cppcheck --project="$build/compile_commands.json" --enable=warning,performance,portability \
    --inline-suppr --error-exitcode=1 --quiet -i"$build" \
    --suppress='*:/usr/*' --suppress=missingIncludeSystem --library=googletest

echo "clang-format"
# shellcheck disable=SC2046
clang-format --dry-run --Werror $(git ls-files '*.cpp' '*.h')
