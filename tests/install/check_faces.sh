#!/bin/sh
# The faces' table against the machine: each file lies where the table says
# and comes from the package it names; each family fontconfig knows comes
# from its package, and a family whose package is installed is known (a
# misspelt family or package goes red here, not as a cut caption on a user's
# screen).
#   check_faces.sh <calorvin_facts>
set -eu
facts=$1
status=0
rows=$("$facts" --faces)
tab=$(printf '\t')
while IFS=$tab read -r package family file; do
  if [ -z "$file" ]; then
    if [ -n "$(fc-list ":family=$family" family)" ]; then
      file=$(fc-match -f '%{file}' "$family") # the family's regular face
    else
      if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
        echo "FAIL: $package is installed but fontconfig knows no \"$family\""
        status=1
      else
        echo "skip: \"$family\" ($package not installed)"
      fi
      continue
    fi
  fi
  owner=$(dpkg -S "$file" 2>/dev/null | cut -d: -f1) || owner=
  if [ "$owner" = "$package" ]; then
    echo "ok: \"$family\" $file ($package)"
  else
    echo "FAIL: \"$family\" $file comes from ${owner:-no package}, the table says $package"
    status=1
  fi
done <<ROWS
$rows
ROWS
exit $status
