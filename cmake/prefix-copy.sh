# Sourced by wine-run.sh and demo-run.sh: a fresh Wine prefix from the
# template.
# find_copied_files [START...]: the files of the template (run in it) that
# a copy holds as copies of their own.
find_copied_files() {
    find "${@:-.}" -type f \( \
        ! -iregex '.*\.\(dll\|exe\|drv\|sys\|ocx\|cpl\|acm\|tlb\|ax\|ds\|nls\|msstyles\|vxd\|com\)' -o \
        -path '*drive_c/windows/*' ! -path '*drive_c/windows/*/*' -o -path '*drive_c/windows/system/*' \) -print0
}

# A fresh prefix from the template. The template is about 1.3 GB, nearly all
# of it Wine's own program files, which nothing changes in place (an
# installation adds files or deletes them, which only unlinks): those are hard
# links to the template's, every other file a copy, and so is every program
# file in C:\WINDOWS and C:\WINDOWS\SYSTEM themselves, where the programs
# install theirs.
copy_template() {
    cp -al "$template/." "$1/" || return 1
    (cd "$template" && find_copied_files | xargs -0 -r cp -p --remove-destination --parents -t "$1")
}
