#!/bin/sh
# Quillbox2: packs each folder selected in Nautilus into one @FORMAT_UPPER@ archive.
# Set up by "quillbox2 --install-file-manager-actions", removed by "--remove-file-manager-actions".
if [ -n "${NAUTILUS_SCRIPT_SELECTED_FILE_PATHS:-}" ]; then
  # One path a line; names with blanks stay whole.
  IFS='
'
  set -f
  set -- $NAUTILUS_SCRIPT_SELECTED_FILE_PATHS
  unset IFS
fi
for folder do
  case $folder in
    /*) set -- "$@" "$folder" ;;
    *) set -- "$@" "$PWD/$folder" ;;
  esac
  shift
done
exec @QUILLBOX2@ --silent --notify --format @FORMAT@ -- "$@"
