# The fuzz targets and the dictionary of each; sourced by the fuzz scripts.
targets=(fuzz_config fuzz_mqo fuzz_mds fuzz_mdm fuzz_mdx fuzz_md3 fuzz_gltf)
declare -A dictionary=(
    [fuzz_config]=config.dict [fuzz_mqo]=mqo.dict
    [fuzz_mds]=skeletal.dict [fuzz_mdm]=skeletal.dict [fuzz_mdx]=skeletal.dict
    [fuzz_md3]=md3.dict [fuzz_gltf]=gltf.dict
)
# fuzz_x reads the corpus fuzz/corpus/x
corpus_of() { echo "${1#fuzz_}"; }

build_fuzzers() {
    cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DOSSIFY_FUZZ=ON -DOSSIFY_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j2 --target "${targets[@]}"
}
