#!/usr/bin/env bash
# Builds every libFuzzer harness with clang and runs each for a few seconds on its seed corpus,
# so that the harnesses keep building and no seed crashes. New inputs go to a scratch folder,
# never into the tree. FUZZ_SECONDS sets the time per harness (default 5).
# Usage: fuzz/smoke.sh [BUILD_DIR]   (default build-fuzz)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build-fuzz}")
seconds=${FUZZ_SECONDS:-5}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DTAVRINE_FUZZ=ON -DTAVRINE_BUILD_TESTS=OFF -DTAVRINE_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzzers

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
while IFS= read -r harness; do
    name=$(basename "$harness")
    case "$name" in
    fuzz_*) corpus_name=${name#fuzz_} ;;
    *_fuzzer) corpus_name=${name%_fuzzer} ;;
    *) continue ;;
    esac
    corpus=$root/fuzz/corpus/$corpus_name
    [[ -d "$corpus" ]] || corpus=$root/examples
    dict=()
    [[ -f "$root/fuzz/$corpus_name/$corpus_name.dict" ]] && dict=(-dict="$root/fuzz/$corpus_name/$corpus_name.dict")
    mkdir -p "$scratch/$name"
    printf 'fuzz: %-24s %s, %s s\n' "$name" "${corpus#"$root"/}" "$seconds"
    if ! (cd "$scratch/$name" && "$harness" "${dict[@]}" -max_total_time="$seconds" \
        -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 "$scratch/$name" "$corpus" \
        >"$scratch/$name.log" 2>&1); then
        echo "fuzz: $name found a failure:" >&2
        tail -40 "$scratch/$name.log" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$scratch/$name.log" |
            sed 's/^/      /'
    fi
done < <(find "$build/fuzz" -type f -perm -u+x \( -name 'fuzz_*' -o -name '*_fuzzer' \) | sort)
exit $status
