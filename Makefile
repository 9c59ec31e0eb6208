# One-command set-up: Debian packages, a virtual environment, the build.
PYTHON ?= python3.13
VENV := .venv
PY := $(VENV)/bin/python
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
DEB_PACKAGES := g++ make pkg-config libpcre2-dev nlohmann-json3-dev libutf8proc-dev libssl-dev
CMAKE_FLAGS := $(if $(CI),-C cmake.define.VEXIL_WERROR=ON)
ASAN_SITE := build/asan-site
SANITIZER_LIBS = $(shell g++ -print-file-name=libasan.so) $(shell g++ -print-file-name=libubsan.so)

.PHONY: deps build run test test-asan bench clean

deps:
	@missing=$$(for p in $(DEB_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  $(SUDO) apt-get update -qq && $(SUDO) apt-get install -y -qq $$missing; \
	fi

$(PY): requirements-dev.txt
	$(PYTHON) -m venv $(VENV)
	$(PY) -m pip install -q --upgrade pip
	$(PY) -m pip install -q -r requirements-dev.txt
	touch $(PY)

# Builds share one build directory: a lock keeps concurrent builds apart.
build: deps $(PY)
	mkdir -p build && flock build/.lock $(PY) -m pip install -q --no-build-isolation --no-deps $(CMAKE_FLAGS) .

run: build
	$(PY) -m vexil_redact scan examples/sample.txt

test: build
	$(PY) -m pytest -q

# The same suite against a build with AddressSanitizer and UBSan.
test-asan: deps $(PY)
	mkdir -p build && flock build/.asan-lock $(PY) -m pip install -q --no-build-isolation --no-deps --upgrade --target $(ASAN_SITE) \
	  -C build-dir=build/asan -C cmake.build-type=Debug -C cmake.define.VEXIL_SANITIZE=ON .
	PYTHONPATH=$(ASAN_SITE) LD_PRELOAD="$(SANITIZER_LIBS)" \
	  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  $(PY) -m pytest -q -p no:cacheprovider

bench: build
	for script in bench/*.py; do $(PY) $$script || exit 1; done

clean:
	rm -rf build $(VENV)
