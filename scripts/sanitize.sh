#!/usr/bin/env bash
# Builds and runs the tests under the sanitizers, after scripts/test.sh:
#   1. the whole suite with address and undefined-behaviour sanitizers
#      (build-asan/), leak checks on in the tests without windows, Qt/Mesa
#      leaks suppressed by scripts/sanitizers/lsan.supp (window tests keep
#      the memory-error checks only, see cmake/KestrumTesting.cmake);
#   2. the core tests (no GUI) with the thread sanitizer (build-tsan/).
# Any sanitizer report fails the test that produced it, and so this script.
# Usage: scripts/sanitize.sh [asan|tsan]...   (default: both)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
stages=("$@")
((${#stages[@]})) || stages=(asan tsan)
jobs="$(nproc)"

configure_and_build() { # dir sanitizers target
    local dir="$1" sanitize="$2" target="$3"
    local args=(-S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
                -DKESTRUM_SANITIZE="$sanitize" -DKESTRUM_BUILD_BENCHMARKS=OFF)
    [[ "${CI:-}" == "true" ]] && args+=(-DKESTRUM_WERROR=ON)
    # -O1 keeps the instrumented build quick and the stacks readable.
    cmake "${args[@]}" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
    cmake --build "$dir" -j "$jobs" --target "$target"
}

stage_start=0
stage_begin() { stage_start=$SECONDS; echo "== sanitizer stage: $1" >&2; }
stage_end() { echo "== sanitizer stage $1 took $((SECONDS - stage_start)) s" >&2; }

for stage in "${stages[@]}"; do
    case "$stage" in
    asan)
        stage_begin asan
        dir="${KESTRUM_ASAN_DIR:-$root/build-asan}"
        configure_and_build "$dir" "address,undefined" all
        export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0"
        export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0"
        export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
        (cd "$dir" && xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure -j "$jobs")
        stage_end asan
        ;;
    tsan)
        stage_begin tsan
        dir="${KESTRUM_TSAN_DIR:-$root/build-tsan}"
        configure_and_build "$dir" "thread" kestrum_core_tests
        export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/sanitizers/tsan.supp"
        (cd "$dir" && ctest --output-on-failure -j "$jobs" -L core)
        stage_end tsan
        ;;
    *)
        echo "unknown stage \"$stage\" (asan or tsan)" >&2
        exit 2
        ;;
    esac
done
