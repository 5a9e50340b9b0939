#!/usr/bin/env bash
# Fuzzes the RTF reader and writer (or, with "ini", the settings file reader
# and writer; with "tags", the tag list reader; with "text", plain-text files
# through the editor) with libFuzzer.
#
#   bash scripts/fuzz.sh [rtf|ini|tags|text] [SECONDS] [EXTRA-LIBFUZZER-FLAGS...]
#
# Without a target name it fuzzes rtf; for ini, tags or text read that name wherever
# rtf stands below (ini_reader_fuzzer, fuzz/corpus/ini, fuzz-out/ini,
# fuzz/ini.dict if any).
#
# Configures build-fuzz with clang (-DPERGALOT_FUZZ=ON: AddressSanitizer,
# UndefinedBehaviorSanitizer, coverage), builds rtf_reader_fuzzer and runs it
# for SECONDS (default 600) on a scratch copy of the seed corpus,
# fuzz-out/rtf/corpus (git-ignored; inputs found by earlier runs are kept and
# the seeds are copied over them). Crashes, leaks, time-outs and OOMs land in
# fuzz-out/rtf/artifacts/; the log is fuzz-out/rtf/fuzz.log. To keep a
# reproducer, copy it into fuzz/corpus/rtf/ under a descriptive name: CTest's
# fuzz_replay_rtf then runs it in every build. To replay one input:
#     QT_QPA_PLATFORM=offscreen build-fuzz/fuzz/rtf_reader_fuzzer FILE
set -euo pipefail
cd "$(dirname "$0")/.."

target=rtf
case "${1:-}" in
  rtf|ini|tags|text) target=$1; shift ;;
esac
seconds=${1:-600}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/install-deps.sh

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPERGALOT_FUZZ=ON -DPERGALOT_BENCH=OFF
cmake --build build-fuzz --parallel "$jobs" --target "${target}_reader_fuzzer"

out=fuzz-out/$target
mkdir -p "$out/corpus" "$out/artifacts"
cp fuzz/corpus/"$target"/* "$out/corpus/"
dict=()
if [ -f "fuzz/$target.dict" ]; then
  dict=(-dict="fuzz/$target.dict")
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

echo "fuzz.sh: fuzzing for ${seconds}s; log in $out/fuzz.log"
status=0
build-fuzz/fuzz/"${target}_reader_fuzzer" \
  "${dict[@]}" \
  -max_len=65536 \
  -max_total_time="$seconds" \
  -timeout=10 \
  -rss_limit_mb=4096 \
  -print_final_stats=1 \
  -artifact_prefix="$out/artifacts/" \
  "$@" "$out/corpus" 2>&1 | tee "$out/fuzz.log" || status=$?

echo "fuzz.sh: corpus now $(ls "$out/corpus" | wc -l) inputs"
if ls "$out"/artifacts/* >/dev/null 2>&1; then
  echo "fuzz.sh: artifacts:"
  ls -l "$out"/artifacts/
fi
exit "$status"
