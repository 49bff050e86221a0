#!/bin/sh
# Fails when a text of hosei-cli has no translation in a catalogue of po/, or when a
# catalogue holds an entry the code no longer has (obsolete, fuzzy or unused), naming them.
# Usage: check_catalogue.sh SOURCE_DIR WORK_DIR
set -eu
source_dir=$1
work=$2
mkdir -p "$work"

# The same collection as po/CMakeLists.txt makes for the template.
xgettext --from-code=UTF-8 --language=C++ --keyword=_ --keyword=N_ \
  --add-comments=TRANSLATORS --no-location -o "$work/hosei.pot" \
  "$source_dir"/cli/*.cpp "$source_dir"/cli/*.h

status=0
for catalogue in "$source_dir"/po/*.po; do
  name=$(basename "$catalogue")
  msgfmt --check -o /dev/null "$catalogue"
  # Entries the code no longer has become obsolete in the merge; stale ones already
  # obsolete or fuzzy in the catalogue stay so.
  msgmerge --quiet --no-fuzzy-matching -o "$work/$name" "$catalogue" "$work/hosei.pot"
  for kind in untranslated only-fuzzy only-obsolete; do
    found=$(msgattrib --"$kind" --no-wrap "$work/$name")
    if [ -n "$found" ]; then
      echo "$name: ${kind#only-} entries:" >&2
      echo "$found" | grep '^#\?~\? *msgid ' | grep -v 'msgid ""$' >&2
      status=1
    fi
  done
done
exit $status
