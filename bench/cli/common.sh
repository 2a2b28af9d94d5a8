# Shared by the command-line benchmarks (sourced): `cli` is the program measured (NORVELLE_CLI,
# or a release build made in build/cli-release), `work` the folder of plugins and outputs
# (BENCH_DIR, or a new folder under /tmp removed at the end), made the working directory.
# Expects `root` (the source tree) and the name of the benchmark as $1.
cli=${NORVELLE_CLI:-}
if [[ -z $cli ]]; then
  cmake -S "$root" -B "$root/build/cli-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DNORVELLE_BUILD_TESTS=OFF >/dev/null
  ninja -C "$root/build/cli-release" norvelle-cli >/dev/null
  cli="$root/build/cli-release/cli/norvelle-cli"
fi
cli=$(realpath "$cli")

if [[ -n ${BENCH_DIR:-} ]]; then
  work=$BENCH_DIR
  mkdir -p "$work"
else
  work=$(mktemp -d "/tmp/norvelle-$1.XXXXXX")
  trap 'rm -rf "$work"' EXIT
fi
cd "$work"
mkdir -p lists  # no Needfiles.dat: the needed files are the five fixed ones
