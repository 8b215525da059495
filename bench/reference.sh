# The reference that the companions' benches give their times beside, measured in the same
# run: CPU time (user and system) of gzip -6 over the coordinates file of the bench's own
# board of 100,000 nets, the median of three runs; about 0.3 s on a normal day. Sourced by
# the bench scripts, with $build naming build-bench/, in their work folder.
gzip_reference() {
    "$build/make_trace" --board 100000 >reference.trc
    printf 'reference.trc\nreference.xy\n' | "$build/trace2xy" >/dev/null
    : >reference.times
    for _ in 1 2 3; do
        /usr/bin/time -f '%U %S' -a -o reference.times gzip -6 -c reference.xy >/dev/null
    done
    awk '{ print $1 + $2 }' reference.times | sort -n | sed -n 2p
}
