# Installs the Debian packages hosei needs to build, test and run, when any is missing.
# Sourced by run.sh and test.sh; takes extra package names as arguments.

hosei_packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev libcfitsio-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev qt6-translations-l10n
  fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xauth
  desktop-file-utils man-db
  gettext locales
  dosfstools util-linux
)

hosei_ensure_packages() {
  local wanted=("${hosei_packages[@]}" "$@") missing=() p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "hosei: installing ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
      sudo=(sudo)
    else
      echo "hosei: these packages are missing and this user cannot install them: ${missing[*]}" >&2
      return 1
    fi
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

hosei_build() {
  local build_dir=$1
  shift
  cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
  ninja -C "$build_dir" -j2
}
