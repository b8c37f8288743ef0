# The commands of the README; each does its own set-up.
.PHONY: test demo bench dist accuracy

test:
	bash scripts/test.sh

demo:
	bash scripts/demo.sh

bench:
	bash scripts/bench.sh

dist:
	bash scripts/dist.sh

# The page clean-up against Leptonica on generated sets (imaging/cleanup/README.md), natively, optimised.
accuracy:
	bash scripts/setup.sh >/dev/null
	cmake -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	cmake --build build/bench-native --target cleanup_accuracy >/dev/null
	build/bench-native/bench/cleanup/cleanup_accuracy
