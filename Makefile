# The two commands of the README; each does its own set-up.
.PHONY: test demo

test:
	bash scripts/test.sh

demo:
	bash scripts/demo.sh
