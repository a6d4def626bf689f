# Sourced by the scripts: where this system keeps what the build needs.
#   cmake_platform_args  extra CMake arguments for every configure (macOS: Homebrew's keg-only
#                        curl and openssl@3, which CMake would not find or would shadow with Apple's)
#   fuzz_cxx             a clang++ that has libFuzzer (macOS: Homebrew's llvm; Apple clang has none)
#   PATH                 on macOS, Homebrew's llvm first, for clang-format and clang-tidy
cmake_platform_args=()
fuzz_cxx=clang++
if [ "$(uname -s)" = "Darwin" ] && command -v brew >/dev/null 2>&1; then
  cmake_platform_args=("-DCMAKE_PREFIX_PATH=$(brew --prefix curl);$(brew --prefix openssl@3)")
  llvm_prefix="$(brew --prefix llvm)"
  fuzz_cxx="$llvm_prefix/bin/clang++"
  PATH="$llvm_prefix/bin:$PATH"
  export PATH
fi

# Whether `$1` (a C++ compiler) can build and link a libFuzzer target.
has_libfuzzer() {
  local scratch
  scratch="$(mktemp -d)"
  printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }' \
    >"$scratch/probe.cpp"
  local status=0
  "$1" -fsanitize=fuzzer "$scratch/probe.cpp" -o "$scratch/probe" >/dev/null 2>&1 || status=1
  rm -rf "$scratch"
  return "$status"
}
