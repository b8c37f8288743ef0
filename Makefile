# The commands of the README; each does its own set-up.
.PHONY: test demo bench

test:
	bash scripts/test.sh

demo:
	bash scripts/demo.sh

bench:
	bash scripts/bench.sh
