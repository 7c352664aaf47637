# SPDX-License-Identifier: GPL-3.0-or-later
# The pictures of the string over time in docs/teaching.md, drawn by scripts/plot-history
# from vibrating-string-history's CSV, given as variables:
#   shape       the displacements of every node, a frame a line (--shape)
#   summary     the run's largest displacement and energy (--frames)
#   out         the folder the two pictures go into
#   span        the frames in the first picture
#   frame_time  the time a frame stands for
#   leaves      the first frame past the default view, or -1 for none
set datafile separator ','
set terminal pngcairo size 800,640 font 'sans,11'
set output out.'/string-spacetime.png'
set title 'The string over time: displacement of every node, frame by frame'
set xlabel 'node (0 held at zero, 99 free)'
set ylabel 'frame (201 time steps each)'
set y2label 'time (unit wave speed)'
set xrange [-0.5:99.5]
set yrange [span:0]
set link y2 via y*frame_time inverse y/frame_time
set y2tics 0.25 format '%.2f'
set ytics nomirror
set cblabel 'displacement'
set cbrange [-1:1]
set palette defined (-1 '#2166ac', -0.5 '#92c5de', 0 'white', 0.5 '#f4a582', 1 '#b2182b')
plot shape skip 1 using 2:1:3 with image notitle

reset
set datafile separator ','
set terminal pngcairo size 800,480 font 'sans,11'
set output out.'/string-long-run.png'
set title 'The long run: the scheme gains energy at short wavelengths'
set xlabel 'frame (201 time steps each)'
set x2label 'time (unit wave speed)'
set link x2 via x*frame_time inverse x/frame_time
set x2tics 5 format '%.0f'
set xtics nomirror
set logscale y
set ylabel 'log scale'
set key top left
set grid
stats summary skip 1 using 4 every ::0::0 nooutput
energy0 = STATS_min
if (leaves >= 0) {
    set arrow from leaves, graph 0 to leaves, graph 1 nohead dashtype 2 linecolor rgb '#555555'
    set label sprintf("frame %d: the string leaves\nthe default 300x300 view", leaves) at leaves, graph 0.72 right offset -1,0
}
plot summary skip 1 using 1:3 with lines title 'largest displacement', \
     '' skip 1 using 1:($4/energy0) with lines linewidth 2 title 'energy / energy at set-up'
